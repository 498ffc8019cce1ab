#pragma once

#include "core/status.h"

#include <QString>

class Database;

// The rows a change touched, kept as they were before it and as they are after it, so that
// the change can be taken back and done again on exactly the rows it left. The images live
// in the connection's temporary tables (a file of SQLite's own, gone when the connection
// closes): nothing of them is in the register, and memory stays flat for a large import.
namespace steps {

enum class State { Before = 0, After = 1 };

// Keeps, as the step's image of the state, the rows of the table ("cd", "lide", "pujcovani")
// whose column lies between from and to. Call it in the change's own transaction.
Status capture(Database& db, qint64 step, State state, const QString& table, const QString& column, qint64 from,
               qint64 to);
// The same for the row of the table with the key; with its loans, for a disc or person.
Status captureRow(Database& db, qint64 step, State state, const QString& table, qint64 key, bool withLoans = false);

// The register's table whose rows a change of the list (a table, or a view of loans) makes:
// "cd", "lide" or "pujcovani"; empty for a list no step takes back.
QString changedTable(const QString& list);

// Whether the register holds the step's rows exactly as its image of the state from shows
// them, and the image of to could be written over them. Otherwise refusal says why, in
// Czech: a row of the step changed since, a loan now hangs on a row the state to has not,
// or a loan's disc or person is gone. The status is the register's own failure.
Status check(Database& db, qint64 step, State from, State to, QString& refusal);

// Writes the step's image of the state to over the rows of its image from (check() first,
// in the same transaction): rows to has not are deleted, the others updated or added with
// their own ids.
Status write(Database& db, qint64 step, State from, State to);

// Whether the step's images differ (a change that stored what was there is no step).
Status differs(Database& db, qint64 step, bool& result);

// Forgets the step's images.
Status forget(Database& db, qint64 step);

// What a change is called in the menu: "smazání disku Kytice", "úprava člověka Jan Novák"
// ("cd", "lide", "pujcovani"; action: the change's noun, e.g. "přidání"); empty on failure.
QString describe(Database& db, const QString& action, const QString& table, qint64 key);

} // namespace steps
