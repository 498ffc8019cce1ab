// Files that are not a whole register of ours: each is refused with a Czech
// message that names it, and left byte for byte as it was.
#include "database.h"
#include "qt_printers.h"
#include "temp_register.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
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
    QTemporaryDir dir;
    QString path;
    {
        TempRegister reg;
        for (int i = 0; i < 300; ++i)
            reg.addCd(QStringLiteral("Disk číslo %1 ").arg(i).repeated(20));
        if (!spoil.isEmpty())
            reg.exec(spoil);
        return readAll(reg.path());
    }
}

// Opens the file in a child process running as nobody; returns the refusal (empty on success).
QString openAsNobody(const QString& path)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("pipe failed");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        Status status = Status::success();
        auto db = Register::open(path, status);
        const QByteArray message = status.message().toUtf8();
        (void)!::write(channel[1], message.constData(), static_cast<size_t>(message.size()));
        ::_exit(db ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray message;
    char buffer[512];
    ssize_t got;
    while ((got = ::read(channel[0], buffer, sizeof buffer)) > 0)
        message.append(buffer, got);
    ::close(channel[0]);
    int wstatus = 0;
    ::waitpid(child, &wstatus, 0);
    return QString::fromUtf8(message);
}

// What SQLite's own tool answers to the SQL on the file.
QString sqlite3Tool(const QString& path, const QString& sql)
{
    const QByteArray command = QFile::encodeName(QStringLiteral("sqlite3 '%1' \"%2\"").arg(path, sql));
    QByteArray output;
    if (FILE* pipe = ::popen(command.constData(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, static_cast<qsizetype>(got));
        ::pclose(pipe);
    }
    return QString::fromUtf8(output);
}

// The register at path dumped to text and restored into the new file with SQLite's own
// tool, then changed by the SQL given.
void dumpAndRestore(const QString& path, const QString& restored, const QString& change = QString())
{
    const QString command = QStringLiteral("sqlite3 '%1' .dump | sqlite3 '%2'").arg(path, restored);
    ASSERT_EQ(std::system(QFile::encodeName(command).constData()), 0) << command.toStdString();
    if (!change.isEmpty())
        sqlite3Tool(restored, change);
}

} // namespace

// SQLite's text dump does not carry the register's version: restored, the register opens
// with its rows and gets its version again; with its schema changed it stays refused.
TEST(DamagedFiles, ARegisterDumpedAndRestoredOpens)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.zaz"));
    const QString changed = dir.filePath(QStringLiteral("zmeneno.zaz"));
    QString rows;
    {
        TempRegister reg;
        const qint64 cd = reg.addCd(QStringLiteral("Kytice"));
        reg.addLoan(cd, reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák")), QStringLiteral("na chatu"));
        reg.exec(QStringLiteral("DROP INDEX cd_nazev")); // an index the restore lacks is made again
        rows = sqlite3Tool(reg.path(), QStringLiteral("SELECT * FROM vypujcky"));
        dumpAndRestore(reg.path(), path);
        dumpAndRestore(reg.path(), changed, QStringLiteral("ALTER TABLE cd DROP COLUMN popis"));
    }
    ASSERT_EQ(sqlite3Tool(path, QStringLiteral("PRAGMA user_version")), QStringLiteral("0\n"));
    Status status = Status::success();
    EXPECT_NE(Register::open(path, status), nullptr) << status.message().toStdString();
    EXPECT_EQ(sqlite3Tool(path, QStringLiteral("SELECT * FROM vypujcky")), rows);
    EXPECT_EQ(sqlite3Tool(path, QStringLiteral("PRAGMA user_version; SELECT name FROM sqlite_master WHERE name = "
                                                "'cd_nazev'")),
              QStringLiteral("1\ncd_nazev\n"));

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
    QByteArray otherProgram;
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("recepty.db")));
        sqlite3* db = nullptr;
        sqlite3_open(path.constData(), &db);
        sqlite3_exec(db, "CREATE TABLE recepty (nazev TEXT); INSERT INTO recepty VALUES ('guláš');", nullptr, nullptr,
                     nullptr);
        sqlite3_close(db);
        otherProgram = readAll(QFile::decodeName(path));
    }
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
        EXPECT_TRUE(status.message().contains(QString::fromUtf8(c.said))) << c.what << ": " << status.message().toStdString();
        EXPECT_TRUE(status.message().contains(path)) << c.what;
        EXPECT_EQ(readAll(path), c.bytes) << c.what;
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal"))) << c.what;
    }
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
    const QString path = reg.path();
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    auto holdLock = [&path, &channel](int milliseconds) {
        const pid_t child = ::fork();
        if (child == 0) {
            sqlite3* db = nullptr;
            sqlite3_open(QFile::encodeName(path).constData(), &db);
            sqlite3_exec(db, "BEGIN EXCLUSIVE; INSERT INTO lide (jmeno) VALUES ('zámek');", nullptr, nullptr, nullptr);
            (void)!::write(channel[1], "x", 1);
            ::usleep(static_cast<useconds_t>(milliseconds) * 1000);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            ::_exit(0);
        }
        char byte;
        (void)!::read(channel[0], &byte, 1);
        return child;
    };

    // Held for a moment: the start waits and then opens the file.
    pid_t child = holdLock(800);
    Status status = Status::success();
    EXPECT_NE(Register::open(path, status), nullptr) << status.message().toStdString();
    ::waitpid(child, nullptr, 0);

    // Held for longer than anyone should wait: a clear refusal after a few seconds.
    child = holdLock(9000);
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(Register::open(path, status), nullptr);
    EXPECT_GE(waited.elapsed(), 3000);
    EXPECT_TRUE(status.message().contains(QStringLiteral("zamčený jiným programem"))) << status.message().toStdString();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(channel[0]);
    ::close(channel[1]);
}
