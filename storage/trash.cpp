#include "storage/trash.h"

#include "core/register_tables.h"
#include "storage/database.h"

#include <QSet>

namespace trash {
namespace {

// The columns of the register's table, in their order, as SQL.
QString columnsOf(const QString& table)
{
    QStringList names;
    for (const tables::Column& column : tables::find(table)->columns)
        names << column.name;
    return names.join(QStringLiteral(", "));
}

QString keyOf(const QString& table)
{
    return tables::find(table)->columns.front().name;
}

// What the trash lists the record as: the disc's name, the person's names.
QString nameSql(const QString& table)
{
    return table == QLatin1String("cd") ? QStringLiteral("nazev")
                                        : QStringLiteral("trim(ifnull(jmeno, '') || ' ' || ifnull(prijmeni, ''))");
}

// The deletion in the trash that holds the record of the table and key; 0 for none.
qint64 deletionOf(Database& db, const QString& table, qint64 key, Status& status)
{
    qint64 id = 0;
    status = db.queryInt(QStringLiteral("SELECT ifnull(max(idkose), 0) FROM kos WHERE druh = ? AND klic = ?"), id,
                         {table, key});
    return id;
}

// Puts one deletion back (see restore()); the deletions it brought back are in done.
Status putBack(Database& db, qint64 id, Restored& restored, QSet<qint64>& done)
{
    done.insert(id);
    Statement entry(db, QStringLiteral("SELECT druh, klic, nazev FROM kos WHERE idkose = ?"));
    if (Status s = entry.bind(1, id); !s.ok())
        return s;
    const Statement::Step step = entry.step();
    if (step == Statement::Step::Error)
        return entry.failure();
    if (step != Statement::Step::Row)
        return Status::failure(QStringLiteral("Položka už v koši není."));
    const QString table = entry.columnText(0);
    const qint64 key = entry.columnInt(1);
    const QString name = entry.columnText(2);
    if (table != QLatin1String("cd") && table != QLatin1String("lide"))
        return Status::failure(QStringLiteral("Položka koše není disk ani člověk."));
    qint64 taken = 0;
    if (Status s =
            db.queryInt(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = ?").arg(table, keyOf(table)), taken, {key});
        !s.ok())
        return s;
    if (taken > 0)
        return Status::failure(
            QStringLiteral("„%1“ nelze obnovit: ID %2 už má v evidenci jiný %3.")
                .arg(name, QString::number(key),
                     table == QLatin1String("cd") ? QStringLiteral("disk") : QStringLiteral("člověk")));
    const QString columns = columnsOf(table);
    if (Status s = db.execute(
            QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM kos_%1 WHERE idkose = ?").arg(table, columns), {id});
        !s.ok())
        return s;
    // A loan's other side: in the register, or deleted too and put back with it.
    const QString other = table == QLatin1String("cd") ? QStringLiteral("lide") : QStringLiteral("cd");
    const QString otherKey = keyOf(other);
    Statement sides(db, QStringLiteral("SELECT DISTINCT p.%1 FROM kos_pujcovani AS p WHERE p.idkose = ? AND NOT "
                                       "EXISTS (SELECT 1 FROM %2 AS o WHERE o.%1 = p.%1)")
                            .arg(otherKey, other));
    if (Status s = sides.bind(1, id); !s.ok())
        return s;
    std::vector<qint64> missing;
    Statement::Step side;
    while ((side = sides.step()) == Statement::Step::Row)
        missing.push_back(sides.columnInt(0));
    if (side == Statement::Step::Error)
        return sides.failure();
    for (const qint64 otherKeyValue : missing) {
        Status status = Status::success();
        const qint64 deletion = deletionOf(db, other, otherKeyValue, status);
        if (!status.ok())
            return status;
        if (deletion == 0 || done.contains(deletion))
            continue;
        Statement named(db, QStringLiteral("SELECT nazev FROM kos WHERE idkose = ?"));
        if (Status s = named.bind(1, deletion); !s.ok())
            return s;
        if (named.step() == Statement::Step::Row)
            restored.alsoRestored << named.columnText(0);
        if (Status s = putBack(db, deletion, restored, done); !s.ok())
            return s;
    }
    const QString loanColumns = columnsOf(QStringLiteral("pujcovani"));
    qint64 loans = 0;
    if (Status s = db.queryInt(QStringLiteral("SELECT count(*) FROM kos_pujcovani WHERE idkose = ?"), loans, {id});
        !s.ok())
        return s;
    if (Status s = db.execute(QStringLiteral("INSERT INTO pujcovani (%1) SELECT %1 FROM kos_pujcovani AS p WHERE "
                                             "p.idkose = ? AND EXISTS (SELECT 1 FROM cd WHERE cd.idcd = p.idcd) AND "
                                             "EXISTS (SELECT 1 FROM lide WHERE lide.idcloveka = p.idcloveka)")
                                  .arg(loanColumns),
                              {id});
        !s.ok())
        return s;
    restored.loansLeft += loans - db.changes();
    return db.execute(QStringLiteral("DELETE FROM kos WHERE idkose = ?"), {id});
}

} // namespace

qint64 keep(Database& db, const QString& table, qint64 key, const QDateTime& when, Status& status)
{
    if (table != QLatin1String("cd") && table != QLatin1String("lide")) {
        status = Status::failure(QStringLiteral("Do koše patří jen disky a lidé."));
        return 0;
    }
    Transaction transaction(db);
    if (status = transaction.status(); !status.ok())
        return 0;
    const QString keyColumn = keyOf(table);
    status = db.execute(QStringLiteral("INSERT INTO kos (smazano, druh, klic, nazev) SELECT ?, ?, %1, %2 FROM %3 "
                                       "WHERE %1 = ?")
                            .arg(keyColumn, nameSql(table), table),
                        {when.toString(Qt::ISODate), table, key});
    if (!status.ok() || db.changes() == 0)
        return 0;
    const qint64 id = db.lastInsertRowId();
    const QString columns = columnsOf(table);
    const QString loanColumns = columnsOf(QStringLiteral("pujcovani"));
    status = db.execute(QStringLiteral("INSERT INTO kos_%1 (idkose, %2) SELECT ?, %2 FROM %1 WHERE %3 = ?")
                            .arg(table, columns, keyColumn),
                        {id, key});
    if (status.ok())
        status = db.execute(QStringLiteral("INSERT INTO kos_pujcovani (idkose, %1) SELECT ?, %1 FROM pujcovani WHERE "
                                           "%2 = ?")
                                .arg(loanColumns, keyColumn),
                            {id, key});
    if (status.ok())
        status = transaction.commit();
    return status.ok() ? id : 0;
}

std::vector<Item> items(Database& db, Status& status)
{
    std::vector<Item> found;
    Statement list(db, QStringLiteral("SELECT k.idkose, k.smazano, k.druh, k.klic, k.nazev, (SELECT count(*) FROM "
                                      "kos_pujcovani AS p WHERE p.idkose = k.idkose) FROM kos AS k ORDER BY k.smazano "
                                      "DESC, k.idkose DESC"));
    Statement::Step step;
    while ((step = list.step()) == Statement::Step::Row)
        found.push_back({list.columnInt(0), QDateTime::fromString(list.columnText(1), Qt::ISODate), list.columnText(2),
                         list.columnInt(3), list.columnText(4), list.columnInt(5)});
    status = step == Statement::Step::Error ? list.failure() : Status::success();
    return found;
}

Restored restore(Database& db, qint64 id, Status& status)
{
    Restored restored;
    Transaction transaction(db);
    if (status = transaction.status(); !status.ok())
        return {};
    QSet<qint64> done;
    status = putBack(db, id, restored, done);
    if (status.ok())
        status = transaction.commit();
    return status.ok() ? restored : Restored{};
}

Status remove(Database& db, qint64 id)
{
    return db.execute(QStringLiteral("DELETE FROM kos WHERE idkose = ?"), {id});
}

Status empty(Database& db)
{
    return db.exec(QStringLiteral("DELETE FROM kos"));
}

Status expire(Database& db, const QDateTime& now, int days)
{
    return db.execute(QStringLiteral("DELETE FROM kos WHERE julianday(smazano) < julianday(?) - ?"),
                      {now.toString(Qt::ISODate), days});
}

} // namespace trash
