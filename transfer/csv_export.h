#pragma once

#include "core/status.h"
#include "transfer/export_rows.h"

#include <QString>

#include <string>
#include <string_view>

class Database;
class QIODevice;

// A table or saved query written as a spreadsheet's CSV file: UTF-8 with a byte order
// mark, ";" between fields, CRLF line ends, quotes only around a value that holds ";", ",",
// a quote or a line break. The header row holds the columns' Czech labels; yes/no is "Ano"
// or "Ne", a date its ISO day, a number its digits. A text a spreadsheet would compute
// (one beginning with "=", "+", "-", "@", a tab or CR) is marked with an apostrophe, which
// Calc and Excel show and never compute; so is one beginning with an apostrophe, so that
// the import takes exactly one mark away. Rows are read and written one at a
// time: the memory used does not grow with their number.
namespace csvexport {

// Writes every row and column of the table or saved query to out (export_rows.h); the
// discs lent too long counted as chosen.
Status write(Database& db, const QString& table, QIODevice& out, const exportrows::Choice& choice = {});

// Appends a value (UTF-8) to a CSV line as one field: quoted where it must be.
void appendField(QByteArray& line, std::string_view value);

// A text value as written (marked where a spreadsheet would compute it), and as read back.
std::string marked(std::string_view text);
QString unmarked(const QString& field);

} // namespace csvexport
