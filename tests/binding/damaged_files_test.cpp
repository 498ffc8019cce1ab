// Files that are not a whole register of ours: each is refused with a Czech
// message that names it, and left byte for byte as it was.
#include "binding/record_source.h"
#include "patience.h"
#include "qt_printers.h"
#include "storage/database.h"
#include "temp_register.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The bytes of a real register with some rows, and the same register spoiled by SQL.
QByteArray registerBytes(const QString& spoil = QString())
{
    TempRegister reg;
    for (int i = 0; i < 300; ++i)
        reg.addCd(QStringLiteral("Disk číslo %1 ").arg(i).repeated(20));
    if (!spoil.isEmpty())
        reg.exec(spoil);
    return readAll(reg.path());
}

// What a program's run printed, stdout and stderr together.
QString run(const QString& program, const QStringList& arguments, const QByteArray& input = QByteArray())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAll());
}

// Opens the file as the user nobody would; returns the refusal (empty on success). The
// opening program is copied where nobody may run it, wherever the build lies.
QString openAsNobody(const QString& path)
{
    static QTemporaryDir place;
    const QString worker = place.filePath(QStringLiteral("otevri"));
    if (!QFile::exists(worker)) {
        QFile::copy(QStringLiteral(ORDISK_CRASH_WORKER), worker);
        ::chmod(QFile::encodeName(place.path()).constData(), 0755);
    }
    return run(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                           QStringLiteral("--clear-groups"), worker, path, QStringLiteral("open")})
        .trimmed();
}

// What SQLite's own tool answers to the SQL on the file.
QString sqlite3Tool(const QString& path, const QString& sql)
{
    return run(QStringLiteral("sqlite3"), {path, sql});
}

// The register at path dumped to text and restored into the new file with SQLite's own
// tool, then changed by the SQL given; the dump's text may be laid out anew first.
void dumpAndRestore(const QString& path, const QString& restored, const QString& change = QString(),
                    const std::function<void(QString&)>& layout = nullptr)
{
    QString dump = run(QStringLiteral("sqlite3"), {path, QStringLiteral(".dump")});
    if (layout)
        layout(dump);
    run(QStringLiteral("sqlite3"), {restored}, dump.toUtf8());
    if (!change.isEmpty())
        sqlite3Tool(restored, change);
}

// SQLite's own English words, which the user is never shown.
const QRegularExpression sqliteWords(QStringLiteral("\\b(database|unable|error|malformed|file is)\\b"));

} // namespace

// SQLite's text dump does not carry the register's version: restored, the register opens
// with its rows and gets its version again, also where its SQL is laid out otherwise (as an
// earlier version wrote it); with its schema changed it stays refused. A register of the
// first version (no trash), as it is or dumped, opens with its rows and gets the trash.
TEST(DamagedFiles, ARegisterDumpedAndRestoredOpens)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.zaz"));
    const QString changed = dir.filePath(QStringLiteral("zmeneno.zaz"));
    const QString earlier = dir.filePath(QStringLiteral("drivejsi.zaz"));
    const QString first = dir.filePath(QStringLiteral("prvni.zaz"));
    const QString firstDumped = dir.filePath(QStringLiteral("prvni-vypis.zaz"));
    const QString noTrash = QStringLiteral("DROP TABLE kos_pujcovani; DROP TABLE kos_lide; DROP TABLE kos_cd; "
                                           "DROP TABLE kos;");
    QString rows;
    {
        TempRegister reg;
        const qint64 cd = reg.addCd(QStringLiteral("Kytice"));
        reg.addLoan(cd, reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák")), QStringLiteral("na chatu"));
        reg.exec(QStringLiteral("DROP INDEX cd_nazev")); // an index the restore lacks is made again
        rows = sqlite3Tool(reg.path(), QStringLiteral("SELECT * FROM vypujcky"));
        dumpAndRestore(reg.path(), path);
        dumpAndRestore(reg.path(), changed, QStringLiteral("ALTER TABLE cd DROP COLUMN popis"));
        dumpAndRestore(reg.path(), earlier, QString(), [](QString& dump) {
            dump.replace(QStringLiteral("'integer' AND "), QStringLiteral("'integer' AND\n        "));
            dump.replace(QStringLiteral("AS datumvraceni, "), QStringLiteral("AS datumvraceni,\n       "));
        });
        dumpAndRestore(reg.path(), firstDumped, noTrash);
        dumpAndRestore(reg.path(), first, noTrash + QStringLiteral(" PRAGMA user_version = 1;"));
    }
    ASSERT_EQ(sqlite3Tool(path, QStringLiteral("PRAGMA user_version")), QStringLiteral("0\n"));
    Status status = Status::success();
    EXPECT_NE(Register::open(path, status), nullptr) << status.message().toStdString();
    EXPECT_EQ(sqlite3Tool(path, QStringLiteral("SELECT * FROM vypujcky")), rows);
    EXPECT_EQ(sqlite3Tool(path, QStringLiteral("PRAGMA user_version; SELECT name FROM sqlite_master WHERE name = "
                                               "'cd_nazev'")),
              QStringLiteral("2\ncd_nazev\n"));
    for (const QString& file : {earlier, first, firstDumped}) {
        EXPECT_NE(Register::open(file, status), nullptr) << status.message().toStdString();
        EXPECT_EQ(sqlite3Tool(file, QStringLiteral("PRAGMA user_version; SELECT count(*) FROM kos_pujcovani")),
                  QStringLiteral("2\n0\n"));
        EXPECT_EQ(sqlite3Tool(file, QStringLiteral("SELECT * FROM vypujcky")), rows);
    }

    const QByteArray before = readAll(changed);
    EXPECT_EQ(Register::open(changed, status), nullptr);
    EXPECT_TRUE(status.message().contains(QStringLiteral("neobsahuje evidenci programu Ordisk")))
        << status.message().toStdString();
    EXPECT_EQ(readAll(changed), before);
}

TEST(DamagedFiles, AreRefusedWithAMessageAndLeftUntouched)
{
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator random(20261206);
    for (char& byte : noise)
        byte = static_cast<char>(random.bounded(256));
    QTemporaryDir other;
    const QString recipes = other.filePath(QStringLiteral("recepty.db"));
    sqlite3Tool(recipes, QStringLiteral("CREATE TABLE recepty (nazev TEXT); INSERT INTO recepty VALUES ('guláš');"));
    const QByteArray otherProgram = readAll(recipes);
    const QByteArray whole = registerBytes();
    struct Case
    {
        const char* what;
        QByteArray bytes;
        const char* said;
    };
    const Case cases[] = {
        {"an empty file", QByteArray(), "je prázdný"},
        {"random bytes", noise, "nejde o databázi SQLite"},
        {"another program's database", otherProgram, "neobsahuje evidenci programu Ordisk"},
        {"a register missing a query", registerBytes(QStringLiteral("DROP VIEW nevracenecd")),
         "chybí dotaz „nevracenecd“"},
        {"a register of a newer version", registerBytes(QStringLiteral("PRAGMA user_version = 7")),
         "novější verzí programu Ordisk"},
        {"a register with a changed table", registerBytes(QStringLiteral("ALTER TABLE cd ADD COLUMN cena INTEGER")),
         "„cd“ nemá očekávaná pole"},
        {"a register missing a table",
         registerBytes(QStringLiteral("DROP VIEW vypujcky; DROP VIEW nevracenecd; DROP TABLE pujcovani")),
         "chybí tabulka „pujcovani“"},
        {"a register cut short", whole.left(whole.size() / 2), "je poškozený"},
        {"a register's header alone", whole.left(100), "je poškozený"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.zaz"));
    for (const Case& c : cases) {
        writeAll(path, c.bytes);
        Status status = Status::success();
        auto db = Register::open(path, status);
        EXPECT_EQ(db, nullptr) << c.what;
        EXPECT_TRUE(status.message().contains(QString::fromUtf8(c.said)))
            << c.what << ": " << status.message().toStdString();
        EXPECT_TRUE(status.message().contains(path)) << c.what;
        EXPECT_FALSE(status.message().contains(sqliteWords)) << c.what << ": " << status.message().toStdString();
        EXPECT_EQ(readAll(path), c.bytes) << c.what;
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal"))) << c.what;
    }
}

// A damaged page is found where SQLite reads it, at the start (the people list) or while
// the program runs (the history, whose keys are the loans table's; the unreturned loans,
// counted and keyed by an index that is whole, their rows on the damaged page): the user
// is told once, what to do too, nothing more is written, and the file stays as it was.
TEST(DamagedFiles, ADamagedPageIsFoundWhereReadAndNothingMoreIsWritten)
{
    QByteArray bytes;
    {
        TempRegister reg;
        const qint64 cd = reg.addCd(QStringLiteral("Kytice"));
        for (int i = 0; i < 300; ++i)
            reg.addLoan(cd, reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák %1").arg(i)));
        reg.exec(
            QStringLiteral("UPDATE pujcovani SET vraceno = 1, datumvraceni = '2026-02-01' WHERE idvypujcky % 3 = 0"));
        bytes = readAll(reg.path());
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.zaz"));
    // Zeroes the first page of a table, as a failing disk might.
    auto damage = [&path](const char* table) {
        const qint64 size = sqlite3Tool(path, QStringLiteral("PRAGMA page_size")).trimmed().toLongLong();
        const qint64 page =
            sqlite3Tool(
                path, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(QLatin1String(table)))
                .trimmed()
                .toLongLong();
        QFile file(path);
        ASSERT_TRUE(page > 0 && file.open(QIODevice::ReadWrite) && file.seek((page - 1) * size));
        file.write(QByteArray(size, '\0'));
    };
    const struct
    {
        const char* damaged;
        bool whileRunning;
        const char* list; // read after the damage
    } cases[] = {{"lide", false, "lide"}, {"pujcovani", true, "vypujcky"}, {"pujcovani", true, "nevracenecd"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        writeAll(path, bytes);
        if (!c.whileRunning)
            damage(c.damaged);
        Status status = Status::success();
        auto reg = Register::open(path, status);
        ASSERT_NE(reg, nullptr) << status.message().toStdString();
        QStringList told;
        reg->db().onDamage([&told](const QString& text) { told << text; });
        RecordSource discs(*reg, QStringLiteral("cd"));
        ASSERT_TRUE(discs.refresh().ok());
        if (c.whileRunning)
            damage(c.damaged);
        const QByteArray damaged = readAll(path);

        RecordSource read(*reg, QString::fromLatin1(c.list));
        status = read.refresh();
        if (status.ok()) // counted and keyed from a whole index: the rows are read as the grid shows them
            EXPECT_EQ(read.displayText(0, 1), QString());
        else
            EXPECT_TRUE(status.isDamage()) << status.message().toStdString();
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].contains(QStringLiteral("poškozený")) && told[0].contains(QStringLiteral("--restore")));
        EXPECT_FALSE(told[0].contains(sqliteWords));

        discs.addNew();
        discs.setFieldText(QStringLiteral("nazev"), QStringLiteral("Nový disk"));
        EXPECT_TRUE(discs.updateNew().isDamage());
        EXPECT_EQ(told.size(), 1);
        EXPECT_EQ(readAll(path), damaged);
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal")));
    }
}

// A register linked from elsewhere (another disk, a synced folder) opens through the link,
// with its journal beside the real file.
TEST(DamagedFiles, ALinkedRegisterOpensWithItsJournalBesideTheRealFile)
{
    QTemporaryDir real, work;
    const QString target = real.filePath(QStringLiteral("db1.zaz"));
    const QString link = work.filePath(QStringLiteral("db1.zaz"));
    writeAll(target, registerBytes());
    ASSERT_TRUE(QFile::link(target, link));
    Status status = Status::success();
    auto reg = Register::open(link, status);
    ASSERT_NE(reg, nullptr) << status.message().toStdString();
    Transaction writing(reg->db());
    ASSERT_TRUE(reg->db().execute(QStringLiteral("INSERT INTO lide (jmeno, prijmeni) VALUES ('Jan', 'Novák')")).ok());
    EXPECT_TRUE(QFile::exists(target + QStringLiteral("-journal")));
    EXPECT_FALSE(QFile::exists(link + QStringLiteral("-journal")));
}

TEST(DamagedFiles, FilesAndFoldersTheUserMayNotUse)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
    const QString path = dir.filePath(QStringLiteral("db1.zaz"));
    const QByteArray whole = registerBytes();
    const QByteArray native = QFile::encodeName(path);

    writeAll(path, whole); // root's, readable by root only
    ::chmod(native.constData(), 0600);
    EXPECT_TRUE(openAsNobody(path).contains(QStringLiteral("přístup odepřen"))) << openAsNobody(path).toStdString();

    ::chown(native.constData(), 65534, 65534);
    ::chmod(native.constData(), 0400);
    EXPECT_TRUE(openAsNobody(path).contains(QStringLiteral("jen pro čtení")));
    EXPECT_EQ(readAll(path), whole);

    ::unlink(native.constData());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0555);
    const QString refusal = openAsNobody(path);
    EXPECT_TRUE(refusal.contains(QStringLiteral("nelze založit: přístup odepřen"))) << refusal.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

TEST(DamagedFiles, ALockedFileIsWaitedForThenRefused)
{
    TempRegister reg;
    // SQLite's own tool holds the file locked for writing until told to commit.
    const QByteArray lock = "BEGIN EXCLUSIVE; INSERT INTO lide (jmeno) VALUES ('zámek'); SELECT 'zamčeno';\n";
    QProcess holder;
    holder.start(QStringLiteral("sqlite3"), {reg.path()});
    holder.write(lock);
    ASSERT_TRUE(holder.waitForReadyRead(patienceMs));
    // Held for a moment: the start waits, the holder commits, and the file opens. The commit
    // is sent once the start has been waiting a while, however slow the machine.
    Status status = Status::success();
    QElapsedTimer waited;
    waited.start();
    std::unique_ptr<Register> opened;
    std::thread start([&] { opened = Register::open(reg.path(), status); });
    QThread::msleep(500);
    holder.write("COMMIT;\n");
    holder.waitForBytesWritten(patienceMs);
    start.join();
    EXPECT_NE(opened, nullptr) << status.message().toStdString();
    EXPECT_GE(waited.elapsed(), 500) << "the start waited for the lock";
    opened.reset();

    // Held for longer than anyone should wait: a clear refusal after a few seconds.
    holder.write(lock);
    ASSERT_TRUE(holder.waitForReadyRead(patienceMs));
    waited.restart();
    EXPECT_EQ(Register::open(reg.path(), status), nullptr);
    EXPECT_GE(waited.elapsed(), 3000);
    EXPECT_TRUE(status.message().contains(QStringLiteral("zamčený jiným programem"))) << status.message().toStdString();
    holder.write("COMMIT;\n");
    holder.closeWriteChannel();
    holder.waitForFinished(-1);
}
