#pragma once

#include "core/status.h"
#include "transfer/export_rows.h"

#include <QString>

class Database;

// A list taken out as a spreadsheet's own file, a workbook of one sheet named after the
// list ("Disky", "Lidé", "Výpůjčky", "Nevrácená CD", "Dlouho půjčená CD"): every value typed as it is stored,
// so that no spreadsheet turns a phone into a number or a name into a formula. Names,
// phones and notes are text, counts and ids numbers, the loans' days dates shown as
// 08.12.2026, yes/no the text "Ano" or "Ne"; the header row bold and frozen, each column
// as wide as its values (within reason). Rows are streamed: memory stays flat in their
// number. A value with a control character other than a tab or a line break, or (in
// .xlsx) longer than a cell holds, is refused, and nothing is written.
namespace sheetexport {

enum class Format { Csv, Xlsx, Ods };

// The format a file's name asks for: ".xlsx", ".ods" (in any letter case); anything else CSV.
Format formatOf(const QString& path);

// The extension of a file's name when it names a format the exports do not write (".html",
// ".xls", ".docx"…; a ".pdf" is the printed list's, reports/): such a file would hold CSV under a name that promises
// another format. Empty for the formats written, for no extension, ".csv" and ".txt", and for an extension that names
// no format (a name like "seznam.2026").
QString unwrittenFormat(const QString& path);

// The sheet's name for a list ("Disky"), and the name a file of it is proposed with ("disky").
QString sheetName(const QString& table);
QString fileStem(const QString& table);

// Writes the list to the file in the format (CSV too: csv_export.h), readable by the owner
// only (it holds phones and e-mails): a workbook is built in a folder of its own beside it,
// synced and moved into place whole, a CSV file written aside and moved in; a failure
// leaves the file as it was.
Status write(Database& db, const QString& table, const QString& path, Format format,
             const exportrows::Choice& choice = {});

} // namespace sheetexport
