#pragma once

#include "core/status.h"

#include <QString>

#include <functional>

class QPdfWriter;
class QPainter;

// A PDF file of A4 pages, written beside its place and moved in only once whole, readable
// by its owner only (the pages hold phones and e-mails): a failure or a cancel leaves the
// file that was there as it was.
namespace pdffile {

// Writes the file: paint paints its pages on the writer (newPage() between them) through the
// painter, which is active on it and set to the document's title.
Status write(const QString& path, const QString& title, bool landscape,
             const std::function<Status(QPdfWriter& writer, QPainter& painter)>& paint);

} // namespace pdffile
