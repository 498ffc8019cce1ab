#pragma once

#include "core/status.h"
#include "reports/list_report.h"

#include <QDate>

class Database;
class PageCanvas;
class QPagedPaintDevice;
class QPainter;

// "Kdo má co půjčeno": every disc out now, grouped by borrower (surname, first name, in the
// lists' order): the person's name and contact once, then the discs with the day they were
// lent and the days out, and how many the person has.
namespace borrowers {

// The list's title.
QString title();

// Paints the list on the canvas (pages as long as it takes).
Status paintList(Database& db, const QDate& today, const QPagedPaintDevice& device, PageCanvas& canvas,
                 const listreport::Watch& watch = nullptr);
// The same on the device through the painter.
Status paint(Database& db, const QDate& today, QPagedPaintDevice& device, QPainter& painter,
             const listreport::Watch& watch = nullptr);
// Writes it as a PDF file.
Status writePdf(Database& db, const QDate& today, const QString& path, const listreport::Watch& watch = nullptr);

} // namespace borrowers
