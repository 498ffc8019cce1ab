// Copies of the register made without asking: once a day and only when changed, never of
// a damaged register, kept by the rule, and a failed copy touches nothing.
#include "backups/backups.h"
#include "backups/copy_places.h"
#include "qt_printers.h"
#include "storage/database.h"
#include "storage/durable_files.h"
#include "storage/file_targets.h"
#include "storage/register_file.h"
#include "temp_register.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return QByteArray(); // a FIFO would wait for a writer
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList names(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

unsigned modeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}

} // namespace

// A year and a month of use, a copy most days, pruned each day as the program does: the
// last seven days are all there, then the newest copy of each recent week and of each of
// the last twelve months, and nothing older; never more than about two dozen files.
TEST(Backups, TheKeepRuleOverASimulatedYear)
{
    const QDate first(2025, 11, 3);
    const QDate last(2026, 12, 8);
    std::vector<backups::Copy> folder;
    QSet<QDate> used;
    size_t most = 0;
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        if (day.dayOfYear() % 5 == 2) // not every day is the program used
            continue;
        used << day;
        folder.push_back({day, day.toString(Qt::ISODate)});
        if (day.day() == 15) // one made on demand later the same day
            folder.push_back({day, day.toString(Qt::ISODate) + QStringLiteral("-odpoledne")});
        for (const backups::Copy& gone : backups::unkept(folder, day))
            folder.erase(std::find_if(folder.begin(), folder.end(),
                                      [&gone](const backups::Copy& c) { return c.path == gone.path; }));
        most = std::max(most, folder.size());
        // Each day, exactly these days have copies: those of the last seven days, and the last
        // day of use of this week and four before, of this month and twelve before.
        QSet<QDate> days, expected;
        for (const backups::Copy& copy : folder)
            days << copy.day;
        const QDate monday = day.addDays(1 - day.dayOfWeek());
        for (const QDate& usedDay : used) {
            const auto lastOfItsUse = [&used, &usedDay, &day](const QDate& end) {
                for (QDate later = usedDay.addDays(1); later <= std::min(end, day); later = later.addDays(1))
                    if (used.contains(later))
                        return false;
                return true;
            };
            const qint64 weeksAgo = usedDay.addDays(1 - usedDay.dayOfWeek()).daysTo(monday) / 7;
            const int monthsAgo = (day.year() - usedDay.year()) * 12 + day.month() - usedDay.month();
            if (usedDay.daysTo(day) < 7 || (weeksAgo <= 4 && lastOfItsUse(usedDay.addDays(7 - usedDay.dayOfWeek()))) ||
                (monthsAgo <= 12 && lastOfItsUse(QDate(usedDay.year(), usedDay.month(), usedDay.daysInMonth()))))
                expected << usedDay;
        }
        ASSERT_EQ(days, expected) << day.toString(Qt::ISODate).toStdString();
    }
    EXPECT_LE(most, 25u);
    QSet<QDate> kept;
    for (const backups::Copy& copy : folder)
        kept << copy.day;
    for (int age = 0; age < 7; ++age)
        EXPECT_EQ(kept.contains(last.addDays(-age)), used.contains(last.addDays(-age))) << age;
    // The last day of use of each of the last twelve months, and of each of the last four weeks.
    for (int monthsAgo = 1; monthsAgo <= 12; ++monthsAgo) {
        QDate lastUsed = QDate(last.year(), last.month(), 1).addMonths(-monthsAgo + 1).addDays(-1);
        while (!used.contains(lastUsed))
            lastUsed = lastUsed.addDays(-1);
        EXPECT_TRUE(kept.contains(lastUsed)) << lastUsed.toString(Qt::ISODate).toStdString();
    }
    const QDate monday = last.addDays(1 - last.dayOfWeek());
    for (int weeksAgo = 1; weeksAgo <= 4; ++weeksAgo) {
        QDate lastUsed = monday.addDays(-7 * (weeksAgo - 1) - 1);
        while (!used.contains(lastUsed))
            lastUsed = lastUsed.addDays(-1);
        EXPECT_TRUE(kept.contains(lastUsed)) << lastUsed.toString(Qt::ISODate).toStdString();
    }
    EXPECT_GE(folder.front().day, QDate(2025, 12, 1)) << "nothing older than twelve months";
    const auto afternoon = std::find_if(folder.begin(), folder.end(), [](const backups::Copy& c) {
        return c.path == QStringLiteral("2026-11-15-odpoledne");
    });
    EXPECT_NE(afternoon, folder.end()) << "the later copy of a day is its newest";
}

// Day after day with the real register: a copy the first day, none again that day, none
// on a day with no change since, one after a change; the copy opens as the register did,
// readable by its owner only, in a folder of the owner's.
TEST(Backups, TheDaysCopyIsMadeOnceAndOnlyWhenTheCollectionChanged)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("Kytice"));
    const QString folder = backups::folderOf(reg.path());
    const struct
    {
        QDate day;
        const char* change; // made before the day's backup
        bool made;
    } days[] = {
        {QDate(2026, 12, 1), nullptr, true},
        {QDate(2026, 12, 1), "INSERT INTO lide (jmeno, prijmeni) VALUES ('Jan', 'Novák')", false},
        {QDate(2026, 12, 2), nullptr, true},
        {QDate(2026, 12, 3), nullptr, false},
        {QDate(2026, 12, 4), "UPDATE cd SET nazev = 'Kytice II'", true},
    };
    // What a copy cut off by a power cut left: gone at the next copy once it is a day old.
    QDir().mkpath(folder);
    for (const char* left : {".db1-2026-11-30.zaz.novy", ".db1-2026-12-01.zaz.novy"}) {
        QFile file(QDir(folder).filePath(QLatin1String(left)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("část kopie");
        file.flush();
        if (QLatin1String(left).contains(QLatin1String("11-30")))
            file.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime);
    }
    for (const auto& d : days) {
        SCOPED_TRACE(d.day.toString(Qt::ISODate).toStdString());
        if (d.change)
            reg.exec(QString::fromUtf8(d.change));
        const backups::Outcome outcome = backups::daily(reg.db(), reg.path(), d.day);
        ASSERT_TRUE(outcome.status.ok()) << outcome.status.message().toStdString();
        EXPECT_EQ(!outcome.made.isEmpty(), d.made);
    }
    EXPECT_EQ(names(folder), QStringList({"db1-2026-12-01.zaz", "db1-2026-12-02.zaz", "db1-2026-12-04.zaz"}))
        << "a copy's name, once made, replaces what an earlier try left under it";
    EXPECT_FALSE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral(".db1-2026-11-30.zaz.novy"))));
    EXPECT_EQ(modeOf(folder), 0700u);
    Status status = Status::success();
    auto copy = Register::open(QDir(folder).filePath(QStringLiteral("db1-2026-12-04.zaz")), status);
    ASSERT_NE(copy, nullptr) << status.message().toStdString();
    qint64 people = 0;
    ASSERT_TRUE(copy->db().queryInt(QStringLiteral("SELECT count(*) FROM lide"), people).ok());
    EXPECT_EQ(people, 1);
    EXPECT_EQ(modeOf(QDir(folder).filePath(QStringLiteral("db1-2026-12-01.zaz"))), 0600u);

    // Copies made at a time of day: none while the newest holds the collection; two within
    // one second are told apart, and the later is the newest.
    const QDateTime at(QDate(2026, 12, 4), QTime(14, 30, 5));
    EXPECT_TRUE(backups::now(reg.db(), reg.path(), at).existing.endsWith(QStringLiteral("db1-2026-12-04.zaz")));
    for (const char* made : {"db1-2026-12-04-143005.zaz", "db1-2026-12-04-143005-2.zaz"}) {
        reg.exec(QStringLiteral("INSERT INTO cd (nazev) VALUES ('%1')").arg(QLatin1String(made)));
        EXPECT_TRUE(backups::now(reg.db(), reg.path(), at).made.endsWith(QLatin1String(made))) << made;
        EXPECT_TRUE(backups::list(folder).back().path.endsWith(QLatin1String(made))) << made;
    }
}

// A copy that cannot be made (the disk full, a damaged register) leaves no file of its own,
// the older copies and the register as they were; a damaged register is told as damage.
TEST(Backups, AFailedCopyLeavesTheOlderCopiesAndTheRegister)
{
    TempRegister reg;
    for (int i = 0; i < 200; ++i)
        reg.addCd(QStringLiteral("Disk číslo %1 ").arg(i).repeated(20));
    const QString folder = backups::folderOf(reg.path());
    ASSERT_TRUE(backups::daily(reg.db(), reg.path(), QDate(2026, 12, 1)).status.ok());
    reg.addCd(QStringLiteral("Nový"));
    const QByteArray older = readAll(QDir(folder).filePath(QStringLiteral("db1-2026-12-01.zaz")));
    const QByteArray current = readAll(reg.path());

    // A full disk: no file may grow beyond 16 KiB while the copy is made.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small = {16 << 10, limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const backups::Outcome full = backups::daily(reg.db(), reg.path(), QDate(2026, 12, 2));
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(full.status.ok());
    EXPECT_FALSE(full.status.isDamage());
    EXPECT_TRUE(full.status.message().contains(QStringLiteral("nelze uložit"))) << full.status.message().toStdString();
    EXPECT_EQ(names(folder), QStringList("db1-2026-12-01.zaz"));
    EXPECT_EQ(readAll(QDir(folder).filePath(QStringLiteral("db1-2026-12-01.zaz"))), older);
    EXPECT_EQ(readAll(reg.path()), current);

    // A damaged page: no copy of it, and the damage is told.
    const qint64 root = reg.value(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'cd'")).toLongLong();
    const qint64 size = reg.value(QStringLiteral("PRAGMA page_size")).toLongLong();
    {
        QFile file(reg.path());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek((root - 1) * size));
        file.write(QByteArray(size, '\0'));
    }
    Status status = Status::success();
    auto damaged = Database::connect(QFile::encodeName(reg.path()), status);
    ASSERT_NE(damaged, nullptr);
    const backups::Outcome none = backups::daily(*damaged, reg.path(), QDate(2026, 12, 3));
    EXPECT_TRUE(none.status.isDamage()) << none.status.message().toStdString();
    EXPECT_EQ(names(folder), QStringList("db1-2026-12-01.zaz"));
    EXPECT_EQ(readAll(QDir(folder).filePath(QStringLiteral("db1-2026-12-01.zaz"))), older);
}

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

namespace {

// The files the copies' code makes, as durable_files tells them.
class Created : public durable::Watcher
{
public:
    Created() { durable::watch(this); }
    ~Created() override { durable::watch(nullptr); }
    void created(const QString& path) override { paths << path; }
    void fileSynced(int) override {}
    void folderSynced(const QString&) override {}
    QStringList paths;
};

} // namespace

// A copy written where the user chose replaces the file there only once the copy is whole:
// on a full disk the old file stays byte for byte and nothing else is left beside it. The
// register itself, by any name or link, its journal and a file the program has open are
// refused, and stay as they were.
TEST(Backups, ACopyElsewhereReplacesAFileOnlyWhenWholeAndNeverTheRegister)
{
    TempRegister reg;
    for (int i = 0; i < 200; ++i)
        reg.addCd(QStringLiteral("Disk číslo %1 ").arg(i).repeated(20));
    QTemporaryDir usb;
    const QString old = usb.filePath(QStringLiteral("stara.zaz"));
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("an older copy ").repeated(100));
    }
    const QByteArray oldBytes = readAll(old);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small = {16 << 10, limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const Status full = backups::replace(reg.db(), old);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(full.ok());
    EXPECT_TRUE(full.message().contains(QStringLiteral("Dosavadní soubor %1 zůstal, jak byl.").arg(old)))
        << full.message().toStdString();
    EXPECT_EQ(readAll(old), oldBytes);
    EXPECT_EQ(names(usb.path()), QStringList("stara.zaz"));

    ASSERT_TRUE(backups::replace(reg.db(), old).ok());
    EXPECT_EQ(names(usb.path()), QStringList("stara.zaz"));
    const std::optional<backups::GoodCopy> replaced = backups::examine({QDate(2026, 12, 1), old}, true);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(replaced->discs, 200);

    const QString dir = QFileInfo(reg.path()).absolutePath();
    QFile::link(reg.path(), usb.filePath(QStringLiteral("odkaz.zaz")));
    ASSERT_EQ(::link(QFile::encodeName(reg.path()).constData(),
                     QFile::encodeName(usb.filePath(QStringLiteral("tvrdy.zaz"))).constData()),
              0);
    QFile open(usb.filePath(QStringLiteral("otevreny.zaz")));
    ASSERT_TRUE(open.open(QIODevice::WriteOnly));
    open.write("held open by the program");
    open.flush();
    const struct
    {
        const char* what;
        QString path;
        const char* said;
    } refused[] = {
        {"the register", reg.path(), "je to sama evidence"},
        {"the register by another name", dir + QStringLiteral("/./db1.zaz"), "je to sama evidence"},
        {"a link to the register", usb.filePath(QStringLiteral("odkaz.zaz")), "je to sama evidence"},
        {"a hard link of the register", usb.filePath(QStringLiteral("tvrdy.zaz")), "je to sama evidence"},
        {"its journal", reg.path() + QStringLiteral("-journal"), "patří k evidenci"},
        {"its write-ahead log", reg.path() + QStringLiteral("-wal"), "patří k evidenci"},
        {"its shared memory", reg.path() + QStringLiteral("-shm"), "patří k evidenci"},
        {"a file the program has open", open.fileName(), "program ho má právě otevřený"},
    };
    const QByteArray registerBytes = readAll(reg.path());
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        const QByteArray before = readAll(r.path);
        for (const Status& status : {backups::replace(reg.db(), r.path), backups::write(reg.db(), r.path)}) {
            EXPECT_FALSE(status.ok());
            EXPECT_TRUE(status.message().contains(QString::fromUtf8(r.said))) << status.message().toStdString();
        }
        EXPECT_EQ(filetargets::refusedTarget(reg.path(), r.path, QStringLiteral("zálohu")).isEmpty(), false);
        EXPECT_EQ(readAll(r.path), before);
    }
    EXPECT_EQ(readAll(reg.path()), registerBytes);
    EXPECT_FALSE(QFileInfo::exists(reg.path() + QStringLiteral("-wal")));
    EXPECT_TRUE(
        filetargets::refusedTarget(reg.path(), usb.filePath(QStringLiteral("nova.zaz")), QStringLiteral("zálohu"))
            .isEmpty());
}

// A folder of copies that is not a folder of its own (a file, a link to a folder) is refused
// with a line naming it and what it is; neither it nor what it leads to is changed.
TEST(Backups, AFolderOfCopiesThatIsNotAFolderIsRefusedAndLeftAsItIs)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("Kytice"));
    const QString folder = backups::folderOf(reg.path());
    QTemporaryDir elsewhere;
    ::chmod(QFile::encodeName(elsewhere.path()).constData(), 0755);
    const struct
    {
        const char* what;
        std::function<void()> make;
        const char* said;
    } cases[] = {
        {"a file",
         [&folder] {
             QFile file(folder);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("not a folder");
             file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
         },
         "není složka, ale soubor"},
        {"a link to a folder", [&] { QFile::link(elsewhere.path(), folder); }, "není složka, ale symbolický odkaz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(folder);
        c.make();
        struct stat before = {};
        ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &before), 0);
        for (const backups::Outcome& outcome :
             {backups::daily(reg.db(), reg.path(), QDate(2026, 12, 1)),
              backups::now(reg.db(), reg.path(), QDateTime(QDate(2026, 12, 1), QTime(9, 0)))}) {
            EXPECT_FALSE(outcome.status.ok());
            EXPECT_TRUE(outcome.status.message().contains(
                QStringLiteral("zalohy (%1) %2").arg(folder, QString::fromUtf8(c.said))))
                << outcome.status.message().toStdString();
        }
        struct stat after = {};
        ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(modeOf(elsewhere.path()), 0755u);
        EXPECT_TRUE(names(elsewhere.path()).isEmpty());
    }
    QFile::remove(folder);
}

// Whether a copy is needed is decided by reading: a day with nothing changed since the newest
// copy creates no file at all, and any change of a row, of any table, is told.
TEST(Backups, NothingIsWrittenWhenTheNewestCopyHoldsTheCollection)
{
    TempRegister reg;
    const qint64 cd = reg.addCd(QStringLiteral("Kytice"));
    const qint64 person = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    reg.addLoan(cd, person, QStringLiteral("do pátku"));
    ASSERT_FALSE(backups::daily(reg.db(), reg.path(), QDate(2026, 12, 1)).made.isEmpty());
    const QString newest = backups::list(backups::folderOf(reg.path())).back().path;
    {
        Created created;
        const backups::Outcome same = backups::daily(reg.db(), reg.path(), QDate(2026, 12, 2));
        EXPECT_TRUE(same.status.ok());
        EXPECT_EQ(same.existing, newest);
        EXPECT_TRUE(created.paths.isEmpty()) << created.paths.join(QLatin1Char(' ')).toStdString();
    }
    const char* changes[] = {
        "UPDATE pujcovani SET poznamka = 'do soboty'",
        "UPDATE lide SET prijmeni = 'Nováková'",
        "UPDATE cd SET pocetdisku = 2",
        "DELETE FROM pujcovani",
    };
    for (const char* change : changes) {
        SCOPED_TRACE(change);
        reg.exec(QString::fromUtf8(change));
        EXPECT_FALSE(backups::holdsTheCollection(reg.db(), newest));
        const backups::Outcome made = backups::now(reg.db(), reg.path(), QDateTime::currentDateTime());
        EXPECT_FALSE(made.made.isEmpty()) << made.status.message().toStdString();
        EXPECT_TRUE(backups::holdsTheCollection(reg.db(), made.made));
    }
    // The tables are read through to their ends, a thousand rows at a time: a change far down
    // each of them is found.
    reg.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2500) INSERT INTO cd (nazev, "
        "pocetdisku, typdisku, typobsahu) SELECT 'Disk ' || i, 1, 'CD', 'Hudba' FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2500) INSERT INTO lide (jmeno) "
        "SELECT 'Člověk ' || i FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2500) INSERT INTO pujcovani "
        "(datumpujceni, idcd, idcloveka, vraceno) SELECT '2026-01-01', (SELECT max(idcd) FROM cd), (SELECT "
        "max(idcloveka) FROM lide), 0 FROM n"));
    const QString many = backups::now(reg.db(), reg.path(), QDateTime::currentDateTime()).made;
    ASSERT_FALSE(many.isEmpty());
    for (const char* change : {"UPDATE cd SET nazev = 'Jinak' WHERE idcd = (SELECT max(idcd) FROM cd)",
                               "UPDATE lide SET jmeno = 'Jinak' WHERE idcloveka = (SELECT max(idcloveka) FROM lide)",
                               "UPDATE pujcovani SET poznamka = 'jinak' WHERE idvypujcky = (SELECT max(idvypujcky) "
                               "FROM pujcovani)"}) {
        SCOPED_TRACE(change);
        EXPECT_TRUE(backups::holdsTheCollection(reg.db(), many));
        reg.exec(QStringLiteral("SAVEPOINT zmena; %1").arg(QString::fromUtf8(change)));
        EXPECT_FALSE(backups::holdsTheCollection(reg.db(), many));
        reg.exec(QStringLiteral("ROLLBACK TO zmena; RELEASE zmena"));
    }
}
