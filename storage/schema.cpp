#include "storage/schema.h"

#include "core/register_tables.h"
#include "storage/database.h"

#include <QHash>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>

namespace schema {
namespace {

// The SQL type of a column of each kind.
QString sqlType(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Integer:
        return QStringLiteral("INTEGER");
    case FieldKind::Boolean:
        return QStringLiteral("BOOLEAN");
    case FieldKind::Date:
        return QStringLiteral("DATE");
    case FieldKind::Text:
        break;
    }
    return QStringLiteral("TEXT");
}

// The tables and saved queries as declared (core/register_tables.cpp); then the indexes
// and the trigger. Each table joined in a saved query goes by its first letter. This is the
// whole of the first version's schema.
QString firstVersionSql()
{
    QString sql;
    for (const tables::Table& table : tables::all()) {
        QStringList columns;
        if (!table.isView) {
            for (const tables::Column& column : table.columns)
                columns << (QStringList{column.name, sqlType(column.kind), column.constraints}.join(u' ').trimmed());
            sql += QStringLiteral("CREATE TABLE %1 (\n    %2\n);\n").arg(table.name, columns.join(u",\n    "));
            continue;
        }
        for (const tables::Column& column : table.columns)
            columns << QStringLiteral("%1.%2 AS %2").arg(column.source.left(1), column.name);
        sql += QStringLiteral("CREATE VIEW %1 AS\nSELECT %2\nFROM pujcovani AS p\nJOIN lide AS l ON l.idcloveka = "
                              "p.idcloveka\nJOIN cd AS c ON c.idcd = p.idcd%3;\n")
                   .arg(table.name, columns.join(QStringLiteral(", ")),
                        table.where.isEmpty() ? QString() : QStringLiteral("\nWHERE p.") + table.where);
    }
    return sql + QLatin1String(R"sql(
CREATE INDEX pujcovani_idcd ON pujcovani (idcd);
CREATE INDEX pujcovani_idcloveka ON pujcovani (idcloveka);
CREATE INDEX pujcovani_nevraceno ON pujcovani (idvypujcky) WHERE vraceno = 0;
CREATE INDEX cd_nazev ON cd (nazev);
-- A write through a row of nevracenecd lands in that loan's own row; the
-- person's and the disc's columns of the view are never written.
CREATE TRIGGER nevracenecd_update INSTEAD OF UPDATE ON nevracenecd
BEGIN
    UPDATE pujcovani
    SET datumpujceni = NEW.datumpujceni, poznamka = NEW.poznamka, iduzivatele = NEW.iduzivatele,
        vraceno = NEW.vraceno, datumvraceni = NEW.datumvraceni
    WHERE idvypujcky = OLD.idvypujcky;
END;
)sql");
}

// The trash (the second version): a deleted disc or person, and every loan that went with
// it, kept as they were stored. Each of the register's tables has its trash table with the
// same columns, untyped so that SQLite stores each value as it comes (byte for byte), and
// the number of the deletion (idkose) they belong to.
QString trashSql()
{
    QString sql = QStringLiteral("CREATE TABLE kos (\n    idkose INTEGER PRIMARY KEY,\n    smazano TEXT NOT NULL,\n    "
                                 "druh TEXT NOT NULL CHECK (druh IN ('cd', 'lide')),\n    klic INTEGER NOT NULL,\n"
                                 "    nazev TEXT\n);\n");
    for (const tables::Table& table : tables::all()) {
        if (table.isView)
            continue;
        QStringList columns{QStringLiteral("idkose INTEGER NOT NULL REFERENCES kos (idkose) ON DELETE CASCADE")};
        for (const tables::Column& column : table.columns)
            columns << column.name;
        sql += QStringLiteral("CREATE TABLE kos_%1 (\n    %2\n);\nCREATE INDEX kos_%1_idkose ON kos_%1 (idkose);\n")
                   .arg(table.name, columns.join(u",\n    "));
    }
    return sql;
}

QString createSql()
{
    return firstVersionSql() + trashSql();
}

Status checkRelation(Database& db, const tables::Table& relation)
{
    Statement type(db.handle(), QStringLiteral("SELECT type FROM sqlite_master WHERE name = ?"));
    if (auto s = type.bind(1, relation.name); !s.ok())
        return s;
    Statement::Step step = type.step();
    if (step == Statement::Step::Error)
        return type.failure();
    if (step != Statement::Step::Row ||
        type.columnText(0) != (relation.isView ? QLatin1String("view") : QLatin1String("table")))
        return Status::failure(
            QStringLiteral("chybí %1 „%2“.")
                .arg(relation.isView ? QStringLiteral("dotaz") : QStringLiteral("tabulka"), relation.name));

    Statement info(db.handle(), QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"));
    if (auto s = info.bind(1, relation.name); !s.ok())
        return s;
    QStringList columns;
    while ((step = info.step()) == Statement::Step::Row)
        columns << info.columnText(0);
    if (step == Statement::Step::Error)
        return info.failure();
    QStringList expected;
    for (const tables::Column& column : relation.columns)
        expected << column.name;
    if (columns != expected)
        return Status::failure(
            QStringLiteral("„%1“ nemá očekávaná pole (%2).").arg(relation.name, expected.join(QStringLiteral(", "))));
    return Status::success();
}

// What sqlite_master holds of the schema: type, name, table and SQL text of every object
// but SQLite's own, in one text per object. Blanks in the SQL count as one: a register
// restored from the dump of an older one keeps the layout that version wrote its SQL in.
QStringList schemaObjects(sqlite3* db, const char* types)
{
    QStringList objects;
    Statement statement(db, QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE type IN (%1) "
                                           "AND name NOT LIKE 'sqlite_%' ORDER BY type, name")
                                .arg(QLatin1String(types)));
    while (statement.step() == Statement::Step::Row)
        objects << QStringList({statement.columnText(0), statement.columnText(1), statement.columnText(2),
                                statement.columnText(3).simplified()})
                       .join(QLatin1Char('\x1f'));
    return objects;
}

// The schema the SQL makes, read from a database made in memory for the comparison; made
// once each (a static local is made thread-safely: workers of the menu open registers too).
QStringList madeObjects(const QString& sql, const char* types)
{
    sqlite3* memory = nullptr;
    QStringList objects;
    if (sqlite3_open(":memory:", &memory) == SQLITE_OK &&
        sqlite3_exec(memory, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
        objects = schemaObjects(memory, types);
    sqlite3_close(memory);
    return objects;
}

const QStringList& createdDefinitions()
{
    static const QStringList made = madeObjects(createSql(), "'table', 'view', 'trigger'");
    return made;
}

const QStringList& createdIndexes()
{
    static const QStringList made = madeObjects(createSql(), "'index'");
    return made;
}

// Those of a register of the first version, which had no trash.
const QStringList& firstVersionDefinitions()
{
    static const QStringList made = madeObjects(firstVersionSql(), "'table', 'view', 'trigger'");
    return made;
}

constexpr const char* definitions = "'table', 'view', 'trigger'";

// Tables, saved queries and triggers other than ours, or ours with other SQL: a view or a
// trigger runs its SQL inside the program (a trigger deleting rows, a view that never ends),
// so a register holds exactly ours. An index of the user's own runs no code and may stay.
Status foreignDefinitions(Database& db)
{
    const QStringList found = schemaObjects(db.handle(), definitions);
    const QStringList& ours = createdDefinitions();
    for (const QString& object : found) {
        if (ours.contains(object))
            continue;
        const QString type = object.section(QLatin1Char('\x1f'), 0, 0);
        const QString name = object.section(QLatin1Char('\x1f'), 1, 1);
        const bool known = std::any_of(ours.begin(), ours.end(), [&](const QString& own) {
            return own.section(QLatin1Char('\x1f'), 1, 1) == name;
        });
        const QString what = type == QLatin1String("trigger") ? QStringLiteral("pravidlo")
                             : type == QLatin1String("view")  ? QStringLiteral("dotaz")
                                                              : QStringLiteral("tabulku");
        return Status::failure(known ? QStringLiteral("„%1“ je jiné než v evidenci programu Ordisk.").arg(name)
                                     : QStringLiteral("obsahuje cizí %1 „%2“.").arg(what, name));
    }
    if (found.size() != ours.size())
        return Status::failure(QStringLiteral("chybí v ní část evidence programu Ordisk."));
    return Status::success();
}

} // namespace

Status create(Database& db)
{
    Transaction transaction(db);
    if (!transaction.status().ok())
        return transaction.status();
    if (auto s = db.exec(createSql()); !s.ok())
        return s;
    if (auto s = db.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)); !s.ok())
        return s;
    return transaction.commit();
}

Status check(Database& db)
{
    qint64 fileVersion = 0;
    if (auto s = db.queryInt(QStringLiteral("PRAGMA user_version"), fileVersion); !s.ok())
        return s;
    if (fileVersion > version)
        return Status::failure(QStringLiteral("byl vytvořen novější verzí programu Ordisk."));
    if (fileVersion != version)
        return Status::failure(QStringLiteral("neobsahuje evidenci programu Ordisk."));
    for (const tables::Table& relation : tables::all())
        if (auto s = checkRelation(db, relation); !s.ok())
            return s;
    qint64 triggers = 0;
    if (auto s = db.queryInt(
            QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name = 'nevracenecd_update'"),
            triggers);
        !s.ok())
        return s;
    if (triggers != 1)
        return Status::failure(QStringLiteral("chybí pravidlo pro vracení výpůjček."));
    return foreignDefinitions(db);
}

bool isUnversionedRegister(Database& db)
{
    qint64 fileVersion = -1;
    if (!db.queryInt(QStringLiteral("PRAGMA user_version"), fileVersion).ok() || fileVersion != 0)
        return false;
    const QStringList found = schemaObjects(db.handle(), definitions);
    if (found != createdDefinitions() && found != firstVersionDefinitions())
        return false;
    // Indexes of ours may be missing, but no other may be there.
    const QStringList& ours = createdIndexes();
    const QStringList indexes = schemaObjects(db.handle(), "'index'");
    return std::all_of(indexes.begin(), indexes.end(), [&](const QString& index) { return ours.contains(index); });
}

bool isFirstVersionRegister(Database& db)
{
    qint64 fileVersion = -1;
    return db.queryInt(QStringLiteral("PRAGMA user_version"), fileVersion).ok() && fileVersion == 1 &&
           schemaObjects(db.handle(), definitions) == firstVersionDefinitions();
}

Status adopt(Database& db)
{
    Transaction transaction(db);
    if (!transaction.status().ok())
        return transaction.status();
    if (schemaObjects(db.handle(), definitions) == firstVersionDefinitions())
        if (auto s = db.exec(trashSql()); !s.ok())
            return s;
    for (const QString& index : createdIndexes()) {
        const QString sql = index.section(QLatin1Char('\x1f'), 3);
        if (auto s = db.exec(
                QString(sql).replace(QStringLiteral("CREATE INDEX"), QStringLiteral("CREATE INDEX IF NOT EXISTS")));
            !s.ok())
            return s;
    }
    if (auto s = db.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)); !s.ok())
        return s;
    return transaction.commit();
}

} // namespace schema
