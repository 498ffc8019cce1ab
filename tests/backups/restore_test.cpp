// A register put back from a copy: only a whole register of ours, and the newest whole copy
// offered when the register is damaged.
#include "backup_files.h"
#include "backups/backups.h"
#include "backups/copy_places.h"
#include "qt_printers.h"
#include "storage/database.h"
#include "storage/register_file.h"
#include "temp_register.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

// A restore puts a whole register of ours in place and keeps the one before it; a file that
// is not one (foreign, damaged, cut short, missing) is refused, as is a restore while a
// program has the register open: then the file and the register stay byte for byte.
TEST(Backups, ARestorePutsAWholeRegisterInPlaceAndRefusesAnyOther)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("Kytice"));
    const QString copy = backups::now(reg.db(), reg.path(), QDateTime(QDate(2026, 12, 1), QTime(9, 0))).made;
    ASSERT_FALSE(copy.isEmpty());
    reg.addCd(QStringLiteral("Babička"));
    const QString dir = QFileInfo(reg.path()).absolutePath();
    const auto written = [&dir](const char* name, const QByteArray& bytes) {
        const QString path = QDir(dir).filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    };
    const QString other = written("jiny.db", QByteArray());
    {
        Status status = Status::success();
        auto db = Database::connect(QFile::encodeName(other), status);
        ASSERT_TRUE(db && db->exec(QStringLiteral("CREATE TABLE t (x)")).ok());
    }
    const QByteArray good = readAll(copy);
    // A copy changed by SQL of someone else's: a trigger, a view of its own in place of ours.
    const auto changed = [&](const char* name, const char* sql) {
        const QString path = written(name, good);
        Status status = Status::success();
        auto db = Database::connect(QFile::encodeName(path), status);
        EXPECT_TRUE(db && db->exec(QString::fromUtf8(sql)).ok());
        return path;
    };
    const QString unfinished = written("rozepsana.zaz", good);
    written("rozepsana.zaz-journal", "a journal of a write not finished");
    const QString fifo = QDir(dir).filePath(QStringLiteral("roura"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QByteArray damaged = good;
    damaged.replace(2 * 4096, 4096, QByteArray(4096, '\0')); // a table's page
    // A disc's name changed in the index of names only: every page reads well (quick_check
    // finds nothing), only integrity_check sees the index disagree with its table.
    QByteArray indexDamaged = good;
    {
        const qint64 page =
            reg.value(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'cd_nazev'")).toLongLong();
        const qint64 pageSize = reg.value(QStringLiteral("PRAGMA page_size")).toLongLong();
        const qsizetype at = indexDamaged.indexOf("Kytice", (page - 1) * pageSize);
        ASSERT_TRUE(at >= 0 && at < page * pageSize);
        indexDamaged[at] = 'L';
    }
    const QString linked = QDir(dir).filePath(QStringLiteral("odkaz.zaz"));
    const QString hardLinked = QDir(dir).filePath(QStringLiteral("tvrdy.zaz"));
    ASSERT_EQ(::symlink(QFile::encodeName(reg.path()).constData(), QFile::encodeName(linked).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(reg.path()).constData(), QFile::encodeName(hardLinked).constData()), 0);
    const struct
    {
        const char* what;
        QString file;
        const char* said;
        bool held; // the register is open in a program
    } refusals[] = {
        {"another program's database", other, "není databází programu Ordisk", false},
        {"a damaged copy", written("poskozena.zaz", damaged), "je poškozený", false},
        {"a copy damaged in an index only", written("index.zaz", indexDamaged), "je poškozený", false},
        {"the register itself", reg.path(), "je sama evidence, kterou by obnova nahradila", false},
        {"a link to the register", linked, "je sama evidence", false},
        {"another name of the register", hardLinked, "je sama evidence", false},
        {"a copy cut short", written("useknuta.zaz", good.left(good.size() / 2)), "je poškozený", false},
        {"no file", QDir(dir).filePath(QStringLiteral("neni.zaz")), "nelze otevřít", false},
        {"a trigger of someone else's",
         changed("spoust.zaz", "CREATE TRIGGER zlo AFTER INSERT ON cd BEGIN DELETE FROM lide; END"),
         "obsahuje cizí pravidlo „zlo“", false},
        {"a view of ours made anew to never end",
         changed("pohled.zaz", "DROP VIEW vypujcky; CREATE VIEW vypujcky AS WITH RECURSIVE n(x) AS (SELECT 1 UNION "
                               "ALL SELECT x + 1 FROM n) SELECT x AS idvypujcky, x AS datumpujceni, x AS datumvraceni, "
                               "x AS jmeno, x AS prijmeni, x AS nazev, x AS vraceno, x AS poznamka, x AS idcloveka, "
                               "x AS idcd FROM n"),
         "„vypujcky“ je jiné než v evidenci", false},
        {"a view of ours calling a function with side effects",
         changed("rozsireni.zaz",
                 "DROP VIEW nevracenecd; CREATE VIEW nevracenecd AS SELECT p.idvypujcky AS idvypujcky, "
                 "load_extension('/tmp/zlo.so') AS datumpujceni, l.jmeno AS jmeno, l.prijmeni AS prijmeni, c.nazev AS "
                 "nazev, p.poznamka AS poznamka, p.iduzivatele AS iduzivatele, p.vraceno AS vraceno, p.datumvraceni AS "
                 "datumvraceni FROM pujcovani AS p JOIN lide AS l ON l.idcloveka = p.idcloveka JOIN cd AS c ON c.idcd "
                 "= p.idcd WHERE p.vraceno = 0"),
         "obsahuje uložený dotaz nebo pravidlo, které volá funkci load_extension()", false},
        {"a file with a journal beside it", unfinished, "je rozepsana.zaz-journal s nedokončeným zápisem", false},
        {"a FIFO", fifo, "je roura (FIFO)", false},
        {"a device", QStringLiteral("/dev/null"), "je zařízení", false},
        {"a folder", dir, "je složka", false},
        {"a good copy while the register is open", copy, "má otevřenou běžící program Ordisk", true},
    };
    const QByteArray before = readAll(reg.path());
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        const QByteArray file = readAll(r.file);
        const auto inUse = r.held ? RegisterInUse::take(reg.path(), false) : nullptr;
        const backups::Restored restored = backups::restore(reg.path(), r.file, QDateTime::currentDateTime());
        EXPECT_FALSE(restored.status.ok());
        EXPECT_TRUE(restored.status.message().contains(QString::fromUtf8(r.said)))
            << restored.status.message().toStdString();
        EXPECT_TRUE(restored.status.message().contains(r.held ? reg.path() : r.file));
        EXPECT_EQ(restored.status.message().count(QStringLiteral("změněn")), 1) << "nothing changed, said once";
        EXPECT_EQ(readAll(reg.path()), before);
        EXPECT_EQ(readAll(r.file), file);
        EXPECT_FALSE(QFileInfo::exists(QDir(dir).filePath(QStringLiteral(".db1.zaz-obnova"))));
    }

    // A journal left by an interrupted write belongs to the register it was left beside: it goes with it.
    const QByteArray journal = "journal of the register before";
    written("db1.zaz-journal", journal);
    const backups::Restored restored =
        backups::restore(reg.path(), copy, QDateTime(QDate(2026, 12, 2), QTime(10, 30, 15)));
    ASSERT_TRUE(restored.status.ok()) << restored.status.message().toStdString();
    EXPECT_FALSE(QFileInfo::exists(reg.path() + QStringLiteral("-journal")));
    EXPECT_EQ(readAll(restored.keptAs + QStringLiteral("-journal")), journal);
    EXPECT_EQ(restored.discs, 1);
    EXPECT_TRUE(restored.keptAs.endsWith(QStringLiteral("zalohy/db1-2026-12-02-103015-pred-obnovou.zaz")));
    EXPECT_EQ(readAll(restored.keptAs), before);
    EXPECT_EQ(readAll(copy), good);
    EXPECT_EQ(modeOf(reg.path()), 0600u);
    Status status = Status::success();
    auto now = Register::open(reg.path(), status);
    ASSERT_NE(now, nullptr) << status.message().toStdString();
    qint64 discs = 0;
    ASSERT_TRUE(now->db().queryInt(QStringLiteral("SELECT count(*) FROM cd"), discs).ok());
    EXPECT_EQ(discs, 1);
    EXPECT_EQ(backups::list(backups::folderOf(reg.path())).size(), 1u) << "the register kept is never pruned";
    now.reset();

    // A copy in WAL mode is restored, and its folder is left as it was (SQLite would make its
    // -shm and -wal beside it); the register restored keeps its rollback journal.
    QDir(dir).mkdir(QStringLiteral("wal"));
    const QString wal = QDir(dir).filePath(QStringLiteral("wal/kopie.zaz"));
    ASSERT_TRUE(QFile::copy(copy, wal));
    {
        Status walStatus = Status::success();
        auto db = Database::connect(QFile::encodeName(wal), walStatus);
        ASSERT_TRUE(db &&
                    db->exec(QStringLiteral("PRAGMA journal_mode = WAL; INSERT INTO lide (jmeno) VALUES ('W')")).ok());
    }
    const QStringList walFolder =
        QDir(dir + QStringLiteral("/wal")).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    ASSERT_EQ(walFolder, QStringList({".", "..", "kopie.zaz"}));
    const QByteArray walBytes = readAll(wal);
    const backups::Restored fromWal = backups::restore(reg.path(), wal, QDateTime::currentDateTime());
    ASSERT_TRUE(fromWal.status.ok()) << fromWal.status.message().toStdString();
    EXPECT_EQ(fromWal.people, 1);
    EXPECT_EQ(QDir(dir + QStringLiteral("/wal")).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), walFolder);
    EXPECT_EQ(readAll(wal), walBytes);
    now = Register::open(reg.path(), status);
    ASSERT_NE(now, nullptr) << status.message().toStdString();
    EXPECT_EQ(readAll(reg.path()).mid(18, 2), QByteArray("\x01\x01", 2)) << "the rollback journal's versions";
}

// A damaged register is offered the newest copy that is whole, with its day and numbers; a
// damaged copy is passed over and left as it is; with none whole, none is offered.
TEST(Backups, TheNewestWholeCopyIsOfferedAndDamagedCopiesArePassedOver)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("Kytice"));
    ASSERT_TRUE(backups::daily(reg.db(), reg.path(), QDate(2026, 12, 1)).status.ok());
    reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    ASSERT_TRUE(backups::daily(reg.db(), reg.path(), QDate(2026, 12, 2)).status.ok());
    const std::vector<backups::Copy> copies = backups::list(backups::folderOf(reg.path()));
    ASSERT_EQ(copies.size(), 2u);

    std::optional<backups::GoodCopy> good = backups::newestGood(reg.path());
    ASSERT_TRUE(good.has_value());
    EXPECT_EQ(good->day, QDate(2026, 12, 2));
    EXPECT_EQ(std::vector<qint64>({good->discs, good->people, good->loans}), std::vector<qint64>({1, 1, 0}));

    for (const backups::Copy& copy : {copies[1], copies[0]}) {
        QFile file(copy.path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(2 * 4096));
        file.write(QByteArray(4096, '\0'));
        file.close();
        const QByteArray damaged = readAll(copy.path);
        good = backups::newestGood(reg.path());
        if (copy.day == QDate(2026, 12, 2)) {
            ASSERT_TRUE(good.has_value());
            EXPECT_EQ(good->day, QDate(2026, 12, 1));
            EXPECT_EQ(good->people, 0);
        } else {
            EXPECT_FALSE(good.has_value());
        }
        EXPECT_EQ(readAll(copy.path), damaged);
    }
}
