#pragma once

#include "core/long_loans.h"
#include "core/status.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Database;
class Statement;
namespace tables {
struct Column;
}

// The rows a list is taken out with, whatever the file's format: every row and column of
// the table or saved query, in the order the windows list them (discs by name and people by
// first name, as the main window's lists sort them; loans in the order they were made), and
// the discs lent too long (core/long_loans.h), longest out first.
namespace exportrows {

// How many of a name's first characters order the discs and people lists taken out (more
// than any page or screen shows of a name).
constexpr int sortedChars = 1000;

// The names an export takes: "cd", "lide", "vypujcky", "nevracenecd", "dlouho", "nikdy".
const QStringList& names();

// What the list of discs lent too long is counted from.
struct Choice
{
    int days = longloans::defaultDays;  // more days out than this is too long
    QDate today = QDate::currentDate(); // the day the days are counted to
    bool bySurname = false;             // the people by surname and first name (else as the window:
                                        // by first name)
};

struct Listing
{
    const std::vector<tables::Column>* columns = nullptr;
    std::unique_ptr<Statement> rows;
};

// The statement that steps through the rows; status says why there is none.
Listing select(Database& db, const QString& table, Status& status, const Choice& choice = {});

// How many rows the list has.
qint64 count(Database& db, const QString& table, Status& status, const Choice& choice = {});

// The longest value of each column, in characters (for the widths of a sheet's columns).
std::vector<int> longestValues(Database& db, const QString& table, Status& status, const Choice& choice = {});

} // namespace exportrows
