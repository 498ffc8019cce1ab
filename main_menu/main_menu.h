#pragma once

#include <QString>

#include <functional>
#include <vector>

class Database;
class QMenuBar;
class QWidget;
class UndoHistory;

// The main window's menu bar, above the window's controls (they keep their places; the
// window grows by the bar's height):
//   Soubor: Importovat disky…, Importovat lidi…, Exportovat ▸ (Disky…, Lidi…, Všechny
//           výpůjčky…, Nevrácená CD…, Dlouho půjčená CD…, Nikdy nepůjčená CD…), Tisk… (Ctrl+P),
//           Kdo má co půjčeno…, Dlouho půjčená CD…, Upomínky…, Upomínka vybranému…, Přehled
//           půjčování, Zálohovat evidenci…, Obnovit ze zálohy…, Koš…, Konec
//   Úpravy: Zpět (Ctrl+Z), Znovu (Ctrl+Shift+Z), each naming its step ("Zpět: smazání disku
//           Kytice"); with a history only
//   Nápověda: Příručka, O programu
// Konec and O programu do what the window's "KONEC" and "O progamu" do. While the window
// is locked for editing (its "KONEC" disabled), the items that change data are disabled too.
namespace mainmenu {

struct Hooks
{
    // After an import: the list of the table ("cd", "lide") queried anew, as the window's
    // own actions end.
    std::function<void(const QString& table)> showNewRows;
    // For printing: the keys of the rows the window's list of the table ("cd", "lide")
    // shows, in the order it shows them (null: the whole list in the lists' order).
    std::function<std::vector<qint64>(const QString& table)> shownKeys;
    // The changes the window's actions, the imports and the menu's Zpět and Znovu share.
    UndoHistory* history = nullptr;
    // The person picked in the people panel (idcloveka; 0 for none): whom "Upomínka
    // vybranému…" writes to.
    std::function<qint64()> pickedPerson;
};

// Builds the bar on the window, working on the register the connection is open on.
QMenuBar* attach(QWidget* window, Database& db, const Hooks& hooks);

// What a restore chosen in the menu does once the copy passed its check: the program keeps
// the copy's path, ends (as "KONEC"), restores it with every window closed and starts again.
void onRestore(std::function<void(const QString& copy)> handler);

} // namespace mainmenu
