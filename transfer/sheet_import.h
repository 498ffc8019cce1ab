#pragma once

#include "transfer/import_rows.h"

#include <QString>

class Database;
class QIODevice;

// A list brought in from whatever file a spreadsheet saved it as: a workbook (.xlsx or
// .ods: the first sheet, its first row the header) or a CSV file (csv_import.h). Cells are
// read by their type: a number cell "2" is a count, a boolean cell yes or no, a date cell
// its day; texts as they stand, line breaks and spaces kept. Rows are numbered as the
// sheet numbers them. The same checks, messages and all-or-nothing as for CSV. A file that
// is neither (an old Excel's .xls, a ZIP of another kind) is refused in one line that says
// what to save it as. The file must be seekable; its sheet is read as a stream (a workbook's
// shared texts are held, up to a limit).
namespace sheetimport {

importrows::Outcome run(Database* db, const QString& table, QIODevice& file, const importrows::Options& options);

} // namespace sheetimport
