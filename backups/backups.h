#pragma once

#include "core/status.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class Database;

// Copies of the register kept without asking, in the folder "zalohy" beside it: one the
// first day the register is used when it differs from the newest copy (so that each holds
// the collection as it was before that day's changes), one before each bulk change, and
// one whenever the user asks. A copy is written under a temporary name, checked, synced
// and renamed into place: the folder never holds a half-made or damaged copy, and a copy
// never replaces another.
namespace backups {

// The folder of the register's copies.
QString folderOf(const QString& registerPath);

// A copy in the folder, by the day it was made.
struct Copy
{
    QDate day;
    QString path;
};

// The copies in the folder, oldest first (of one day, in the order they were made).
std::vector<Copy> list(const QString& folder);

// The copies the keep rule lets go on the day: every copy of the last seven days is kept,
// and the newest of this week and of each of the four weeks before, and the newest of this
// month and of each of the twelve months before (at most about 25 copies); others go.
std::vector<Copy> unkept(const std::vector<Copy>& copies, const QDate& today);

// Writes a copy of the register (open on db) to the path, under a temporary name first; a
// file already there is never replaced, and the register, its journal and files the program
// has open are refused (copy_places.h).
Status write(Database& db, const QString& path, const std::function<bool()>& stop = nullptr);

// As write, but the copy, once whole and synced, is renamed over the file at the path (the
// user chose to replace it): the file stays as it was until then, and after a failure.
Status replace(Database& db, const QString& path, const std::function<bool()>& stop = nullptr);

// What a backup did: the copy made, or the copy that already held the collection (then
// none was made), and how it ended.
struct Outcome
{
    QString made;
    QString existing;
    Status status = Status::success();
};

// The day's copy: made when the folder holds no copy of the day and the register differs
// from the newest copy (decided by reading both, before anything is written); then the copies
// the keep rule lets go are removed.
Outcome daily(Database& db, const QString& registerPath, const QDate& today,
              const std::function<bool()>& stop = nullptr);

// A copy made now (before a bulk change, or asked for), named by the day and the time of
// day, unless the newest copy already holds the collection; the keep rule is applied as by
// the day's copy.
Outcome now(Database& db, const QString& registerPath, const QDateTime& at);

// What a restore did.
struct Restored
{
    Status status = Status::success();
    QString keptAs; // where the register before it was kept (empty where there was none)
    qint64 discs = 0;
    qint64 people = 0;
    qint64 loans = 0;
};

// Puts a copy of the file in the register's place, atomically: only a whole register of ours
// (it opens, its tables and saved queries are ours, integrity_check finds nothing) and only
// while no program has the register open. The register before it is kept in the folder of
// copies (with its journal, if it has one) under a name that says so, and never removed.
// The file itself is never changed; a refusal changes nothing.
Restored restore(const QString& registerPath, const QString& file, const QDateTime& at);

// The newest copy in the register's folder of copies that opens, passes its check and is
// a register of ours, with its numbers; none when no copy does. Read only: nothing is written.
struct GoodCopy
{
    QString path;
    QDate day;
    qint64 discs = 0;
    qint64 people = 0;
    qint64 loans = 0;
};
std::optional<GoodCopy> newestGood(const QString& registerPath);

// A copy's day and numbers, read only; with checked, only when it passes its check too.
// None when it does not open as a register of ours.
std::optional<GoodCopy> examine(const Copy& copy, bool checked);

} // namespace backups
