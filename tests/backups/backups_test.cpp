// Copies of the register made without asking: once a day and only when changed, never of
// a damaged register, kept by the rule, and a failed copy touches nothing.
#include "backup_files.h"
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
