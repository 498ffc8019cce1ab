#pragma once

#include "core/list_order.h"
#include "core/status.h"
#include "rows/kept_rows.h"
#include "rows/row_set.h"

#include <QString>

#include <memory>
#include <vector>

class Database;

// The lists' first rows as the last run left them, kept beside the register in a file of
// their own (".db1.zaz-seznamy"), so that the window shows its first screenful at once
// while the rest is read on another thread. The file is only a copy: it may be deleted at
// any time, and it is used only when the register is, to the byte, the file it was made
// from (docs/performance.md, "The first screenful first").
namespace firstrows {

// How many rows of each list are kept: more than any screen shows.
constexpr int keptRows = 100;
// A value is kept as far as a grid shows it.
constexpr qsizetype keptLength = 1000;

// What tells one state of the register's file from another: SQLite's change counter, which
// every committed write in rollback-journal mode increases, with the file's identity, size
// and time of change. Not usable while a journal or WAL file lies beside it, or for a file
// in WAL mode (whose writes the counter does not follow).
struct FileState
{
    bool usable = false;
    quint64 device = 0;
    quint64 inode = 0;
    quint64 size = 0;
    qint64 changedNs = 0;
    quint32 changeCounter = 0;
    quint32 pages = 0;

    bool operator==(const FileState&) const = default;
};
FileState stateOf(const QString& registerPath);

// One list's first rows in its first order (by sortColumn, ascending, rows alike in key order).
struct List
{
    QString table;
    int sortColumn = 1;
    std::vector<int> columns;    // the columns kept, the key (0) first
    qint64 count = 0;            // rows in the whole table
    std::vector<QString> values; // row-major: columns.size() values a row, at most keptRows rows

    int rowCount() const { return columns.empty() ? 0 : static_cast<int>(values.size() / columns.size()); }
    bool operator==(const List&) const = default;
};

struct Saved
{
    FileState state;
    std::vector<List> lists;
};

// The file beside the register.
QString pathFor(const QString& registerPath);
// Reads the file: false when it is missing, cut short, damaged, of another form, or made
// from another state of the register than `now`.
bool read(const QString& registerPath, const FileState& now, Saved& saved);
// Writes the file whole or not at all (a new file renamed over the old).
Status write(const QString& registerPath, const Saved& saved);

// A list's first rows worked out from a kept table: by the ranks of the sort column's texts
// (worked out for those texts, in their order), or without, by comparing the texts.
List firstOf(const KeptRows::Table& table, const QString& name, int sortColumn, const std::vector<int>& columns,
             const listorder::Ranking* ranking);

// A list's first rows as a record source's rows: the whole table's count, the values of the
// first rows, nothing beyond them (the rest is never looked at before it is read).
std::shared_ptr<Rows> asRows(const List& list);

// What the start reads on a thread of its own: each list's rows, and the ranks of its sort
// column's texts, from one snapshot of the file, with the file's state before and after.
struct ListToRead
{
    QString table;
    std::vector<int> held; // the columns a grid shows (the key is always read)
    int sortColumn = 1;
};
// The columns of a list's first rows: the key, then the shown ones.
std::vector<int> columnsOf(const ListToRead& list);
struct ReadList
{
    std::unique_ptr<KeptRows::Table> rows;
    listorder::Ranking ranking; // the sort column's texts, in the order the table holds them
    List first;                 // the list's first rows
};
struct ReadAll
{
    Status status = Status::success();
    std::vector<ReadList> lists;
    FileState before, after;
};
ReadAll readAll(const QString& registerPath, const std::vector<ListToRead>& lists);

} // namespace firstrows
