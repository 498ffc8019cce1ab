#pragma once

#include <QString>

#include <functional>
#include <vector>

class Database;
class QWidget;
class UndoHistory;

// What the menu's items do, each through its dialogs; long work runs off the window's
// thread with a connection of its own (background.h).
namespace mainmenu {

// "Importovat disky…" ("cd") or "Importovat lidi…" ("lide"): a file chosen, checked as a dry
// run, its summary and first rows shown, added on "Přidat" (then added runs, before the
// closing message; with a history, the rows added are one step of it); refusals listed,
// nothing stored. True when rows were added.
bool importList(QWidget* window, Database& db, const QString& table, const std::function<void()>& added,
                UndoHistory* history = nullptr);

// "Exportovat ▸ …": a save dialog whose filter chooses the format, a name proposed from
// the list and the day; the closing message says where the file is. For the discs lent too
// long ("dlouho") the days are asked first (the last answer proposed and kept).
void exportList(QWidget* window, Database& db, const QString& table);

// The keys of the rows a list of the window shows ("cd", "lide"), in the order it shows them.
using ShownKeys = std::function<std::vector<qint64>(const QString& table)>;

// "Tisk…": the list chosen ("cd" and "lide" as the window shows them, through shownKeys;
// the loans not returned, every loan, the discs lent too long), the reminders (to the late
// borrowers ticked) or the overview, in Qt's print preview (printed from there) or as a PDF;
// chosen preselects one; person (idcloveka) ticks only that person's reminder.
void print(QWidget* window, Database& db, const ShownKeys& shownKeys, const QString& chosen = QString(),
           qint64 person = 0);

// "Přehled půjčování": the overview in a window of its own, printable and savable as a PDF.
void showOverview(QWidget* window, Database& db, const ShownKeys& shownKeys);

// "Kdo má co půjčeno…" (every disc out now) or "Dlouho půjčená CD…" (tooLong: out longer than
// the days, asked in the window and kept): the borrowers with their discs in a window of
// their own, sortable by any column, printable and savable as a PDF grouped alike.
void showBorrowers(QWidget* window, Database& db, bool tooLong);

// "Zálohovat evidenci…": a copy into the folder zalohy, or where the user chooses.
void backUp(QWidget* window, Database& db);

// "Obnovit ze zálohy…": the copies with their days and numbers, or another file; asked
// once more; the copy chosen (checked whole) is handed to restore.
void chooseRestore(QWidget* window, Database& db, const std::function<void(const QString& copy)>& restore);

// "Koš…": what was deleted, the last first, with its day and loans; "Obnovit" puts the
// picked one back (restored runs then), "Smazat natrvalo" and "Vysypat koš" after a question.
// The days a deletion waits in the trash before the start removes it: set in the trash's
// window (1 to 365), kept in the user's settings; trash::keptDays until set.
void showTrash(QWidget* window, Database& db, const std::function<void()>& restored);
int trashDays();

// "Příručka": the manual in a window of its own (returned; its text is the child "Text").
QWidget* showManual(QWidget* window);

// The user's documents folder, where the file dialogs begin.
QString documentsFolder();

} // namespace mainmenu
