#pragma once

#include <QString>

#include <functional>

class Database;
class QWidget;

// What the menu's items do, each through its dialogs; long work runs off the window's
// thread with a connection of its own (background.h).
namespace mainmenu {

// "Importovat disky…" ("cd") or "Importovat lidi…" ("lide"): a file chosen, checked as a dry
// run, its summary and first rows shown, added on "Přidat" (then added runs, before the
// closing message); refusals listed, nothing stored. True when rows were added.
bool importList(QWidget* window, Database& db, const QString& table, const std::function<void()>& added);

// "Exportovat ▸ …": a save dialog whose filter chooses the format, a name proposed from
// the list and the day; the closing message says where the file is.
void exportList(QWidget* window, Database& db, const QString& table);

// "Zálohovat evidenci…": a copy into the folder zalohy, or where the user chooses.
void backUp(QWidget* window, Database& db);

// "Obnovit ze zálohy…": the copies with their days and numbers, or another file; asked
// once more; the copy chosen (checked whole) is handed to restore.
void chooseRestore(QWidget* window, Database& db, const std::function<void(const QString& copy)>& restore);

// "Příručka": the manual in a window of its own (returned; its text is the child "Text").
QWidget* showManual(QWidget* window);

// The user's documents folder, where the file dialogs begin.
QString documentsFolder();

} // namespace mainmenu
