#include "storage/schema.h"

#include "storage/database.h"

#include <QHash>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <vector>

namespace schema {
namespace {

// Booleans are 0/1 and dates ISO text (YYYY-MM-DD); the checks keep anything
// else out of the file, whoever writes to it.
const char* const createSql = R"sql(
CREATE TABLE cd (
    idcd INTEGER PRIMARY KEY AUTOINCREMENT,
    nazev TEXT,
    pocetdisku INTEGER CHECK (pocetdisku IS NULL OR (typeof(pocetdisku) = 'integer' AND
                                                pocetdisku BETWEEN -2147483648 AND 2147483647)),
    typdisku TEXT,
    typobsahu TEXT,
    popis TEXT,
    original BOOLEAN NOT NULL DEFAULT 0 CHECK (original IN (0, 1)),
    vyrazeno BOOLEAN NOT NULL DEFAULT 0 CHECK (vyrazeno IN (0, 1))
);
CREATE TABLE lide (
    idcloveka INTEGER PRIMARY KEY AUTOINCREMENT,
    jmeno TEXT,
    prijmeni TEXT,
    telefon TEXT,
    email TEXT,
    poznamka TEXT
);
CREATE TABLE pujcovani (
    idvypujcky INTEGER PRIMARY KEY AUTOINCREMENT,
    datumpujceni DATE CHECK (datumpujceni IS NULL OR date(datumpujceni) IS datumpujceni),
    idcd INTEGER NOT NULL REFERENCES cd (idcd) ON DELETE CASCADE,
    idcloveka INTEGER NOT NULL REFERENCES lide (idcloveka) ON DELETE CASCADE,
    poznamka TEXT,
    iduzivatele INTEGER,
    vraceno BOOLEAN NOT NULL DEFAULT 0 CHECK (vraceno IN (0, 1)),
    datumvraceni DATE CHECK (datumvraceni IS NULL OR date(datumvraceni) IS datumvraceni)
);
CREATE INDEX pujcovani_idcd ON pujcovani (idcd);
CREATE INDEX pujcovani_idcloveka ON pujcovani (idcloveka);
CREATE INDEX pujcovani_nevraceno ON pujcovani (idvypujcky) WHERE vraceno = 0;
CREATE INDEX cd_nazev ON cd (nazev);
CREATE VIEW vypujcky AS
SELECT p.idvypujcky AS idvypujcky, p.datumpujceni AS datumpujceni, p.datumvraceni AS datumvraceni,
       l.jmeno AS jmeno, l.prijmeni AS prijmeni, c.nazev AS nazev, p.vraceno AS vraceno,
       p.poznamka AS poznamka, p.idcloveka AS idcloveka, p.idcd AS idcd
FROM pujcovani AS p
JOIN lide AS l ON l.idcloveka = p.idcloveka
JOIN cd AS c ON c.idcd = p.idcd;
CREATE VIEW nevracenecd AS
SELECT p.idvypujcky AS idvypujcky, p.datumpujceni AS datumpujceni, l.jmeno AS jmeno,
       l.prijmeni AS prijmeni, c.nazev AS nazev, p.poznamka AS poznamka,
       p.iduzivatele AS iduzivatele, p.vraceno AS vraceno, p.datumvraceni AS datumvraceni
FROM pujcovani AS p
JOIN lide AS l ON l.idcloveka = p.idcloveka
JOIN cd AS c ON c.idcd = p.idcd
WHERE p.vraceno = 0;
-- A write through a row of nevracenecd lands in that loan's own row; the
-- person's and the disc's columns of the view are never written.
CREATE TRIGGER nevracenecd_update INSTEAD OF UPDATE ON nevracenecd
BEGIN
    UPDATE pujcovani
    SET datumpujceni = NEW.datumpujceni, poznamka = NEW.poznamka, iduzivatele = NEW.iduzivatele,
        vraceno = NEW.vraceno, datumvraceni = NEW.datumvraceni
    WHERE idvypujcky = OLD.idvypujcky;
END;
)sql";

struct Relation
{
    const char* name;
    const char* type;
    std::vector<const char*> columns;
};

const QList<Relation>& expectedRelations()
{
    static const QList<Relation> relations = {
        {"cd", "table", {"idcd", "nazev", "pocetdisku", "typdisku", "typobsahu", "popis", "original", "vyrazeno"}},
        {"lide", "table", {"idcloveka", "jmeno", "prijmeni", "telefon", "email", "poznamka"}},
        {"pujcovani",
         "table",
         {"idvypujcky", "datumpujceni", "idcd", "idcloveka", "poznamka", "iduzivatele", "vraceno", "datumvraceni"}},
        {"vypujcky",
         "view",
         {"idvypujcky", "datumpujceni", "datumvraceni", "jmeno", "prijmeni", "nazev", "vraceno", "poznamka",
          "idcloveka", "idcd"}},
        {"nevracenecd",
         "view",
         {"idvypujcky", "datumpujceni", "jmeno", "prijmeni", "nazev", "poznamka", "iduzivatele", "vraceno",
          "datumvraceni"}},
    };
    return relations;
}

Status checkRelation(Database& db, const Relation& relation)
{
    Statement type(db.handle(), QStringLiteral("SELECT type FROM sqlite_master WHERE name = ?"));
    if (auto s = type.bind(1, QString::fromLatin1(relation.name)); !s.ok())
        return s;
    Statement::Step step = type.step();
    if (step == Statement::Step::Error)
        return type.failure();
    if (step != Statement::Step::Row || type.columnText(0) != QLatin1String(relation.type))
        return Status::failure(QStringLiteral("chybí %1 „%2“.")
                                   .arg(QLatin1String(relation.type) == QLatin1String("table")
                                            ? QStringLiteral("tabulka")
                                            : QStringLiteral("dotaz"),
                                        QLatin1String(relation.name)));

    Statement info(db.handle(), QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"));
    if (auto s = info.bind(1, QString::fromLatin1(relation.name)); !s.ok())
        return s;
    QStringList columns;
    while ((step = info.step()) == Statement::Step::Row)
        columns << info.columnText(0);
    if (step == Statement::Step::Error)
        return info.failure();
    QStringList expected;
    for (const char* column : relation.columns)
        expected << QLatin1String(column);
    if (columns != expected)
        return Status::failure(QStringLiteral("„%1“ nemá očekávaná pole (%2).")
                                   .arg(QLatin1String(relation.name), expected.join(QStringLiteral(", "))));
    return Status::success();
}

// What sqlite_master holds of the schema: type, name, table and SQL text of every object
// but SQLite's own, in one text per object.
QStringList schemaObjects(sqlite3* db, const char* types)
{
    QStringList objects;
    Statement statement(db, QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE type IN (%1) "
                                           "AND name NOT LIKE 'sqlite_%' ORDER BY type, name")
                                .arg(QLatin1String(types)));
    while (statement.step() == Statement::Step::Row)
        objects << QStringList({statement.columnText(0), statement.columnText(1), statement.columnText(2),
                                statement.columnText(3)})
                       .join(QLatin1Char('\x1f'));
    return objects;
}

// The schema create() makes, read from a database made in memory for the comparison.
const QStringList& createdObjects(const char* types)
{
    static QHash<QByteArray, QStringList> made;
    auto it = made.find(types);
    if (it == made.end()) {
        sqlite3* memory = nullptr;
        QStringList objects;
        if (sqlite3_open(":memory:", &memory) == SQLITE_OK &&
            sqlite3_exec(memory, createSql, nullptr, nullptr, nullptr) == SQLITE_OK)
            objects = schemaObjects(memory, types);
        sqlite3_close(memory);
        it = made.insert(types, objects);
    }
    return *it;
}

constexpr const char* definitions = "'table', 'view', 'trigger'";

} // namespace

Status create(Database& db)
{
    Transaction transaction(db);
    if (!transaction.status().ok())
        return transaction.status();
    if (auto s = db.exec(QString::fromUtf8(createSql)); !s.ok())
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
    for (const Relation& relation : expectedRelations())
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
    return Status::success();
}

bool isUnversionedRegister(Database& db)
{
    qint64 fileVersion = -1;
    if (!db.queryInt(QStringLiteral("PRAGMA user_version"), fileVersion).ok() || fileVersion != 0)
        return false;
    if (schemaObjects(db.handle(), definitions) != createdObjects(definitions))
        return false;
    // Indexes of ours may be missing, but no other may be there.
    const QStringList& ours = createdObjects("'index'");
    const QStringList indexes = schemaObjects(db.handle(), "'index'");
    return std::all_of(indexes.begin(), indexes.end(), [&](const QString& index) { return ours.contains(index); });
}

Status adopt(Database& db)
{
    Transaction transaction(db);
    if (!transaction.status().ok())
        return transaction.status();
    for (const QString& index : createdObjects("'index'")) {
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
