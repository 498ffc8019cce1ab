#pragma once

#include "core/status.h"

#include <QString>

#include <functional>

class QPdfWriter;
class QPainter;

// A PDF file of A4 pages, written beside its place and moved in only once whole, readable
// by its owner only (the pages hold phones and e-mails): a failure or a cancel leaves the
// file that was there as it was. While it is written, memory the process frees is kept in it
// (glibc's thresholds raised, and set back after), which makes a long PDF a third faster.
namespace pdffile {

// Writes the file: paint paints its pages on the writer (newPage() between them) through the
// painter, which is active on it and set to the document's title. A path where no PDF may go
// (the register at registerPath, its journal, a device: filetargets) is refused, writing nothing.
Status write(const QString& registerPath, const QString& path, const QString& title, bool landscape,
             const std::function<Status(QPdfWriter& writer, QPainter& painter)>& paint);

} // namespace pdffile
