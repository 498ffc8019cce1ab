#pragma once

#include "transfer/import_rows.h"

#include <QByteArray>
#include <QString>

class Database;
class QIODevice;

// A spreadsheet's CSV file added to the register as new discs or people (import_rows.h).
// The file may be UTF-8 (with or without its byte order mark) or Windows-1250 (what a
// Czech Excel saves), as textencoding::examine decides; its fields are separated by ";",
// "," or a tab, whichever the header row uses; quoted fields may hold separators, quotes
// and line breaks; lines end in CRLF, LF or CR. Rows are numbered as a spreadsheet shows
// them: a record with line breaks is one row, an empty line is a row too. A value the
// export marked with an apostrophe so that spreadsheets show it as text ("'=1+1") is read
// without it. The file is read as a stream: memory stays flat whatever its size.
namespace csvimport {

// The longest record read (a longer one is refused, and the file with it).
constexpr qint64 maxRecordBytes = 4 << 20;

// Reads the file from its start as described (twice: the second time after a seek to its
// start) and adds its rows to the table ("cd" or "lide") in one transaction when every row
// passes; with a dry run (or db null) it only checks.
importrows::Outcome run(Database* db, const QString& table, QIODevice& file, const importrows::Options& options);
// The same for a file's bytes.
importrows::Outcome run(Database* db, const QString& table, const QByteArray& file, const importrows::Options& options);

} // namespace csvimport
