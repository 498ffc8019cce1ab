#pragma once

#include "core/status.h"
#include "reports/list_report.h"
#include "reports/reminders.h"

#include <QDate>

#include <memory>
#include <optional>

class Database;
class PageCanvas;
class QPagedPaintDevice;
class QPainter;

// The loans out grouped by borrower (surname, first name, in the lists' order): the person's
// name and contact once, then the discs with the day they were lent and the days out, and
// how many the person has. "Kdo má co půjčeno" groups every disc out now; "Dlouho půjčená
// CD" (days given) those out longer than the days.
namespace borrowers {

// Which loans: every one out now, or (days) those out longer than the days.
using Days = std::optional<int>;

// The list's title: "Kdo má co půjčeno", "Dlouho půjčená CD (déle než 30 dní)".
QString title(const Days& days = {});
// The borrowers with their loans, in the list's order.
std::unique_ptr<reminders::Letters> loansOut(Database& db, const QDate& today, const Days& days = {});

// Paints the list on the canvas (pages as long as it takes).
Status paintList(Database& db, const QDate& today, const Days& days, const QPagedPaintDevice& device,
                 PageCanvas& canvas, const listreport::Watch& watch = nullptr);
// The same on the device through the painter.
Status paint(Database& db, const QDate& today, const Days& days, QPagedPaintDevice& device, QPainter& painter,
             const listreport::Watch& watch = nullptr);
// Writes it as a PDF file.
Status writePdf(Database& db, const QDate& today, const Days& days, const QString& path,
                const listreport::Watch& watch = nullptr);

} // namespace borrowers
