#pragma once

#include "core/status.h"

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
// first name, as the main window's lists sort them; loans in the order they were made).
namespace exportrows {

// The names an export takes: "cd", "lide", "vypujcky", "nevracenecd".
const QStringList& names();

struct Listing
{
    const std::vector<tables::Column>* columns = nullptr;
    std::unique_ptr<Statement> rows;
};

// The statement that steps through the rows; status says why there is none.
Listing select(Database& db, const QString& table, Status& status);

// The longest value of each column, in characters (for the widths of a sheet's columns).
std::vector<int> longestValues(Database& db, const QString& table, Status& status);

} // namespace exportrows
