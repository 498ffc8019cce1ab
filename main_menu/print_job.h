#pragma once

#include "core/long_loans.h"
#include "core/status.h"
#include "reports/list_report.h"
#include "reports/printables.h"
#include "reports/reminders.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

class Database;
class QDialog;
class QDialogButtonBox;
class QPagedPaintDevice;
class QPainter;
class QWidget;

namespace mainmenu {

// What is printed and how: chosen in the dialog "Tisk" (or the overview's window), then
// previewed or written.
struct Job
{
    QString what; // a name of printables::all()
    int days = longloans::defaultDays;
    bool bySurname = false; // the people list: everyone, by surname
    // Of the window's list, for "cd" and "lide"; of the people ticked, for the reminders.
    std::optional<std::vector<qint64>> keys;
    reminders::Owner owner;
    QDate today = QDate::currentDate();

    const printables::Printable* printable() const;
    bool is(printables::Form form) const;
    bool landscape() const;
    // Of a list grouped by borrower, the days out that count where it takes them.
    std::optional<int> grouped() const;
    QString title() const;
    // The name a PDF of it is proposed with ("seznam-cd-2026-12-09").
    QString fileStem() const;
    // Paints every page on the device (the window's connection, on the window's thread).
    Status paint(Database& db, QPagedPaintDevice& device, QPainter& painter, const listreport::Watch& watch) const;
    // Writes the PDF file (a connection of its own, off the window's thread).
    Status write(Database& db, const QString& file, const listreport::Watch& watch) const;
    // About how many pages there are.
    qint64 pagesAbout(Database& db, const QPagedPaintDevice& device, Status& status) const;
};

// Writes the job as a PDF chosen in a save dialog, behind the progress dialog (cancellable,
// storing nothing then); never over the register.
void savePdf(QWidget* window, Database& db, const Job& job);

// The buttons of a window that shows what the job prints: "Tisk…" (object Nahled, the
// preview), "Uložit jako PDF…" (UlozitPdf) and "Zavřít" (Zavrit, rejects the dialog). The
// job is read when a button is clicked: it must live as long as the dialog.
QDialogButtonBox* printButtons(QDialog& dialog, Database& db, const Job& job);

// Qt's print preview, from which the user prints; a job of more than 100 pages is offered as
// a PDF instead (the preview paints every page before it shows one).
void preview(QWidget* window, Database& db, const Job& job);

} // namespace mainmenu
