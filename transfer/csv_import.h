#pragma once

#include "core/status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class Database;

// A spreadsheet's CSV file added to the register as new discs or people, all or nothing.
// The file may be UTF-8 (with or without its byte order mark) or, when it is not valid
// UTF-8, Windows-1250 (what a Czech Excel saves); its fields are separated by ";", "," or
// a tab, whichever the header row uses; quoted fields may hold separators, quotes and line
// breaks; lines end in CRLF or LF. The header row names the columns by their Czech label
// ("Název") or field name ("nazev"), in any order and letter case. Each row passes the add
// window's checks, in its words.
namespace csvimport {

// The names an import takes: "cd", "lide".
const QStringList& names();

// A row refused, or a fault of the whole file (the header's, or its quoting).
struct Problem
{
    int line = 0; // where the row begins in the file, from 1
    QString message;
};

struct Outcome
{
    qint64 rows = 0;                   // rows added (or, on a dry run or when refused, rows that passed)
    std::vector<Problem> problems;     // every refusal; when there is any, nothing was stored
    Status status = Status::success(); // a failure of the register itself (nothing stored)
};

// Reads the file's bytes as described and adds its rows to the table ("cd" or "lide") in
// one transaction when every row passes; with dryRun (or db null) it only checks. Progress
// (rows read so far) is told every so many rows.
Outcome run(Database* db, const QString& table, const QByteArray& file, bool dryRun,
            const std::function<void(qint64 rowsRead)>& progress = nullptr);

} // namespace csvimport
