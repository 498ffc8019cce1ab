#pragma once

#include "core/status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class Database;
class QIODevice;

// A spreadsheet's CSV file added to the register as new discs or people, all or nothing.
// The file may be UTF-8 (with or without its byte order mark) or Windows-1250 (what a
// Czech Excel saves), as textencoding::examine decides; its fields are separated by ";",
// "," or a tab, whichever the header row uses; quoted fields may hold separators, quotes
// and line breaks; lines end in CRLF, LF or CR. The header row names the columns by their
// Czech label ("Název") or field name ("nazev"), in any order and letter case. Each row
// passes the add window's checks, in its words. The file is read as a stream: memory stays
// flat whatever its size.
namespace csvimport {

// The names an import takes: "cd", "lide".
const QStringList& names();

// How many refusals an outcome keeps; the others are counted.
constexpr size_t keptProblems = 20;
// The longest record read (a longer one is refused, and the file with it).
constexpr qint64 maxRecordBytes = 4 << 20;

// A row refused, or a fault of the whole file (the header's, or its quoting).
struct Problem
{
    qint64 line = 0; // where the row begins in the file, from 1 (0: the file as a whole)
    QString message;
};

struct Outcome
{
    qint64 rows = 0;                   // rows added (or, on a dry run or when refused, rows that passed)
    std::vector<Problem> problems;     // the first refusals; when there is any, nothing was stored
    qint64 refused = 0;                // every refusal, those kept in problems too
    QString encoding;                  // the encoding read in, where it was decided from the letters
    Status status = Status::success(); // a failure of the register itself (nothing stored)
};

// Reads the file from its start as described (twice: the second time after a seek to its
// start) and adds its rows to the table ("cd" or "lide") in one transaction when every row
// passes, after checking that the register is whole and running beforeWriting (a backup; its
// failure stores nothing); with dryRun (or db null) it only checks. Progress (rows read so
// far) is told every so many rows.
Outcome run(Database* db, const QString& table, QIODevice& file, bool dryRun,
            const std::function<void(qint64 rowsRead)>& progress = nullptr,
            const std::function<Status()>& beforeWriting = nullptr);
// The same for a file's bytes.
Outcome run(Database* db, const QString& table, const QByteArray& file, bool dryRun,
            const std::function<void(qint64 rowsRead)>& progress = nullptr);

} // namespace csvimport
