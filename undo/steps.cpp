#include "undo/steps.h"

#include "core/register_tables.h"
#include "storage/database.h"

#include <QStringList>

namespace steps {
namespace {

// The register's tables a step may touch: a loan's disc and person before the loan.
const QStringList& stepTables()
{
    static const QStringList names{QStringLiteral("cd"), QStringLiteral("lide"), QStringLiteral("pujcovani")};
    return names;
}

QStringList columnsOf(const QString& table)
{
    QStringList names;
    for (const tables::Column& column : tables::find(table)->columns)
        names << column.name;
    return names;
}

QString keyOf(const QString& table)
{
    return tables::find(table)->columns.front().name;
}

// The images' tables: the step, its state and the row as stored (columns without a type, so
// that every value comes back as it was).
Status prepare(Database& db)
{
    for (const QString& table : stepTables()) {
        const QString key = keyOf(table);
        if (Status s = db.exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS zpet_%1 (krok INTEGER NOT NULL, stav "
                                              "INTEGER NOT NULL, %2);\nCREATE INDEX IF NOT EXISTS temp.zpet_%1_klic "
                                              "ON zpet_%1 (krok, stav, %3)")
                                   .arg(table, columnsOf(table).join(QStringLiteral(", ")), key));
            !s.ok())
            return s;
    }
    return Status::success();
}

// The keys of the table in the step's image of the state, as SQL (?1 the step).
QString keysIn(const QString& table, State state)
{
    return QStringLiteral("SELECT %1 FROM temp.zpet_%2 WHERE krok = ?1 AND stav = %3")
        .arg(keyOf(table), table, QString::number(static_cast<int>(state)));
}

// The keys of rows the step has in the state from but not in to.
QString keysGoing(const QString& table, State from, State to)
{
    return QStringLiteral("%1 AND %2 NOT IN (%3)").arg(keysIn(table, from), keyOf(table), keysIn(table, to));
}

Status count(Database& db, const QString& sql, qint64 step, qint64& result)
{
    return db.queryInt(sql, result, {step});
}

QString nameSql(const QString& table)
{
    if (table == QLatin1String("cd"))
        return QStringLiteral("SELECT nazev FROM cd WHERE idcd = ?");
    if (table == QLatin1String("lide"))
        return QStringLiteral("SELECT trim(ifnull(jmeno, '') || ' ' || ifnull(prijmeni, '')) FROM lide WHERE "
                              "idcloveka = ?");
    return QStringLiteral("SELECT cd.nazev FROM pujcovani JOIN cd USING (idcd) WHERE idvypujcky = ?");
}

// A name fit for a menu: one line, at most 40 letters.
QString oneLine(const QString& name)
{
    constexpr int longest = 40;
    QString line = name.left(longest + 1).simplified();
    if (name.size() > longest)
        line = line.left(longest).trimmed() + QStringLiteral("…");
    return line;
}

} // namespace

Status capture(Database& db, qint64 step, State state, const QString& table, const QString& column, qint64 from,
               qint64 to)
{
    if (!stepTables().contains(table))
        return Status::failure(QStringLiteral("Krok může měnit jen disky, lidi a výpůjčky."));
    if (Status s = prepare(db); !s.ok())
        return s;
    const QString columns = columnsOf(table).join(QStringLiteral(", "));
    return db.execute(QStringLiteral("INSERT INTO temp.zpet_%1 (krok, stav, %2) SELECT ?, ?, %2 FROM main.%1 WHERE %3 "
                                     "BETWEEN ? AND ?")
                          .arg(table, columns, column),
                      {step, static_cast<int>(state), from, to});
}

Status captureRow(Database& db, qint64 step, State state, const QString& table, qint64 key, bool withLoans)
{
    Status s = capture(db, step, state, table, keyOf(table), key, key);
    if (s.ok() && withLoans && table != QLatin1String("pujcovani"))
        s = capture(db, step, state, QStringLiteral("pujcovani"), keyOf(table), key, key);
    return s;
}

QString changedTable(const QString& list)
{
    if (stepTables().contains(list))
        return list;
    // A view's rows are changed through the table its key comes from (the return of a loan).
    const tables::Table* view = tables::find(list);
    if (!view || view->columns.empty() || !stepTables().contains(view->columns.front().source))
        return QString();
    return view->columns.front().source;
}

Status check(Database& db, qint64 step, State from, State to, QString& refusal)
{
    refusal.clear();
    if (Status s = prepare(db); !s.ok())
        return s;
    const QString changed = QStringLiteral("záznam se od té doby změnil (pozdější úpravou nebo jiným programem).");
    for (const QString& table : stepTables()) {
        const QStringList columns = columnsOf(table);
        QStringList same;
        for (const QString& column : columns)
            same << QStringLiteral("t.%1 IS z.%1").arg(column);
        // Every row of the image from is there, as the image shows it ...
        qint64 differing = 0;
        if (Status s =
                count(db,
                      QStringLiteral("SELECT count(*) FROM temp.zpet_%1 AS z WHERE z.krok = ?1 AND z.stav = %2 "
                                     "AND NOT EXISTS (SELECT 1 FROM main.%1 AS t WHERE %3)")
                          .arg(table, QString::number(static_cast<int>(from)), same.join(QStringLiteral(" AND "))),
                      step, differing);
            !s.ok())
            return s;
        // ... and no row of the step's the image from has not (added since, or taken back elsewhere).
        qint64 extra = 0;
        if (Status s = count(db,
                             QStringLiteral("SELECT count(*) FROM main.%1 WHERE %2 IN (%3)")
                                 .arg(table, keyOf(table), keysGoing(table, to, from)),
                             step, extra);
            !s.ok())
            return s;
        if (differing + extra > 0) {
            refusal = changed;
            return Status::success();
        }
    }
    // A disc or person the state to has not may not take loans the step does not know with it.
    for (const QString& table : {QStringLiteral("cd"), QStringLiteral("lide")}) {
        qint64 hanging = 0;
        if (Status s = count(db,
                             QStringLiteral("SELECT count(*) FROM main.pujcovani WHERE %1 IN (%2) AND idvypujcky NOT "
                                            "IN (SELECT idvypujcky FROM temp.zpet_pujcovani WHERE krok = ?1)")
                                 .arg(keyOf(table), keysGoing(table, from, to)),
                             step, hanging);
            !s.ok())
            return s;
        if (hanging > 0) {
            refusal = QStringLiteral("disk nebo člověk má od té doby další výpůjčky.");
            return Status::success();
        }
    }
    // A loan the state to has needs its disc and its person: there now, or coming with it.
    qint64 orphans = 0;
    if (Status s = count(db,
                         QStringLiteral("SELECT count(*) FROM temp.zpet_pujcovani AS z WHERE z.krok = ?1 AND z.stav = "
                                        "%1 AND (NOT EXISTS (SELECT 1 FROM main.cd WHERE cd.idcd = z.idcd AND cd.idcd "
                                        "NOT IN (%2)) AND z.idcd NOT IN (%3) OR NOT EXISTS (SELECT 1 FROM main.lide "
                                        "WHERE lide.idcloveka = z.idcloveka AND lide.idcloveka NOT IN (%4)) AND "
                                        "z.idcloveka NOT IN (%5))")
                             .arg(QString::number(static_cast<int>(to)), keysGoing(QStringLiteral("cd"), from, to),
                                  keysIn(QStringLiteral("cd"), to), keysGoing(QStringLiteral("lide"), from, to),
                                  keysIn(QStringLiteral("lide"), to)),
                         step, orphans);
        !s.ok())
        return s;
    if (orphans > 0)
        refusal = QStringLiteral("disk nebo člověk jeho výpůjčky už v evidenci není.");
    return Status::success();
}

Status write(Database& db, qint64 step, State from, State to)
{
    Transaction transaction(db);
    if (!transaction.status().ok())
        return transaction.status();
    // Loans first out and last in: a disc or person is never deleted under a loan of the step.
    for (const QString& table : {QStringLiteral("pujcovani"), QStringLiteral("cd"), QStringLiteral("lide")})
        if (Status s = db.execute(QStringLiteral("DELETE FROM main.%1 WHERE %2 IN (%3)")
                                      .arg(table, keyOf(table), keysGoing(table, from, to)),
                                  {step});
            !s.ok())
            return s;
    for (const QString& table : stepTables()) {
        const QStringList columns = columnsOf(table);
        const QString key = keyOf(table);
        const QString values = columns.mid(1).join(QStringLiteral(", "));
        if (Status s = db.execute(QStringLiteral("UPDATE main.%1 SET (%2) = (SELECT %2 FROM temp.zpet_%1 AS z WHERE "
                                                 "z.krok = ?1 AND z.stav = %3 AND z.%4 = main.%1.%4) WHERE %4 IN (%5) "
                                                 "AND %4 IN (%6)")
                                      .arg(table, values, QString::number(static_cast<int>(to)), key, keysIn(table, to),
                                           keysIn(table, from)),
                                  {step});
            !s.ok())
            return s;
        const QString all = columns.join(QStringLiteral(", "));
        if (Status s = db.execute(QStringLiteral("INSERT INTO main.%1 (%2) SELECT %2 FROM temp.zpet_%1 WHERE krok = ?1 "
                                                 "AND stav = %3 AND %4 NOT IN (%5)")
                                      .arg(table, all, QString::number(static_cast<int>(to)), key, keysIn(table, from)),
                                  {step});
            !s.ok())
            return s;
    }
    return transaction.commit();
}

Status differs(Database& db, qint64 step, bool& result)
{
    result = false;
    for (const QString& table : stepTables()) {
        QStringList same;
        for (const QString& column : columnsOf(table))
            same << QStringLiteral("b.%1 IS a.%1 AND typeof(b.%1) = typeof(a.%1)").arg(column);
        // A row of either image without its twin in the other.
        qint64 unmatched = 0;
        if (Status s = count(db,
                             QStringLiteral("SELECT count(*) FROM temp.zpet_%1 AS a WHERE a.krok = ?1 AND NOT EXISTS "
                                            "(SELECT 1 FROM temp.zpet_%1 AS b WHERE b.krok = ?1 AND b.stav <> a.stav "
                                            "AND %2)")
                                 .arg(table, same.join(QStringLiteral(" AND "))),
                             step, unmatched);
            !s.ok())
            return s;
        if (unmatched > 0) {
            result = true;
            return Status::success();
        }
    }
    return Status::success();
}

Status forget(Database& db, qint64 step)
{
    if (Status s = prepare(db); !s.ok())
        return s;
    for (const QString& table : stepTables())
        if (Status s = db.execute(QStringLiteral("DELETE FROM temp.zpet_%1 WHERE krok = ?").arg(table), {step});
            !s.ok())
            return s;
    return Status::success();
}

QString describe(Database& db, const QString& action, const QString& table, qint64 key)
{
    Statement name(db, nameSql(table));
    if (!name.bind(1, key).ok() || name.step() != Statement::Step::Row)
        return QString();
    const QString what = table == QLatin1String("lide") ? QStringLiteral("člověka") : QStringLiteral("disku");
    return QStringLiteral("%1 %2 %3").arg(action, what, oneLine(name.columnText(0)));
}

} // namespace steps
