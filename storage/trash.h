#pragma once

#include "core/status.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

class Database;

// The trash ("Koš"): a disc or a person deleted, with every loan that went with it, kept as
// stored in the register's own tables (kos, kos_cd, kos_lide, kos_pujcovani), to be put back
// with its own ids or removed for good. Each call is one transaction of its own, or a part
// of the caller's (Transaction nests).
namespace trash {

// Keeps the disc ("cd") or person ("lide") of the key, and its loans, in the trash; call it
// in the transaction that deletes them, so that a record is always in one place of the two.
// Returns the number of the deletion (0 when the record is not there).
qint64 keep(Database& db, const QString& table, qint64 key, const QDateTime& when, Status& status);

struct Item
{
    qint64 id = 0;     // the deletion's number
    QDateTime deleted; // when
    QString table;     // "cd" or "lide"
    qint64 key = 0;    // its own id
    QString name;      // the disc's name, the person's names
    qint64 loans = 0;  // the loans that went with it
};

// What is in the trash, the last deleted first.
std::vector<Item> items(Database& db, Status& status);

// What a restore put back besides the record, and what it could not.
struct Restored
{
    QStringList alsoRestored; // deleted too, put back for their loans ("osoba Jan Novák")
    qint64 loansLeft = 0;     // loans whose other side is gone for good: removed with the item
};

// Puts the deletion back: the record with its own id, and its loans; a loan's other side in
// the trash too comes back with it. Refused, changing nothing, when its id is taken again.
Restored restore(Database& db, qint64 id, Status& status);

// Removes the deletion for good.
Status remove(Database& db, qint64 id);
// Removes everything in the trash.
Status empty(Database& db);
// Removes what was deleted more than the days before now.
Status expire(Database& db, const QDateTime& now, int days);
// How long the program keeps what is in the trash: removed at the first start after.
constexpr int keptDays = 30;

} // namespace trash
