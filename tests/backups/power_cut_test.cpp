// A power cut at any moment of a copy or a restore: the worker is ended at each of its
// syncs in turn (its content torn, or whole), the disk then holds what it held durably, and
// the register must be the one before or the one restored, whole, every copy in the folder
// whole, and the file restored from untouched.
#include "backups/backups.h"
#include "power_cut.h"
#include "storage/database.h"
#include "storage/register_file.h"
#include "temp_register.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The number of discs in a register file that opens, is whole and is ours; -1 otherwise.
qint64 discsIn(const QString& path, bool readOnly)
{
    Status status = Status::success();
    const std::unique_ptr<Database> db =
        readOnly ? Database::connect(QFile::encodeName(path), status, true) : openRegisterFile(path, status);
    qint64 discs = -1;
    if (!db || !db->checkWhole().ok() || !db->queryInt(QStringLiteral("SELECT count(*) FROM cd"), discs).ok())
        return -1;
    return discs;
}

void copyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry.isDir())
            copyTree(entry.filePath(), QDir(to).filePath(entry.fileName()));
        else
            QFile::copy(entry.filePath(), QDir(to).filePath(entry.fileName()));
    }
    QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

TEST(Backups, APowerCutAtAnySyncOfACopyOrARestoreLeavesWholeFiles)
{
    // The register (three discs) with a copy of an earlier day (two), and a copy to restore
    // (five) kept elsewhere.
    QTemporaryDir start;
    const QString registerStart = start.filePath(QStringLiteral("evidence/db1.zaz"));
    const QString restoredFile = start.filePath(QStringLiteral("jinde/zaloha.zaz"));
    {
        TempRegister reg;
        TempRegister other;
        for (int i = 0; i < 5; ++i)
            other.addCd(QStringLiteral("Obnovená %1").arg(i));
        reg.addCd(QStringLiteral("Stará 1"));
        reg.addCd(QStringLiteral("Stará 2"));
        ASSERT_TRUE(backups::now(reg.db(), reg.path(), QDateTime(QDate(2026, 12, 1), QTime(9, 0))).status.ok());
        reg.addCd(QStringLiteral("Stará 3"));
        copyTree(QFileInfo(reg.path()).absolutePath(), start.filePath(QStringLiteral("evidence")));
        QDir().mkpath(start.filePath(QStringLiteral("jinde")));
        ASSERT_TRUE(QFile::copy(other.path(), restoredFile));
    }
    const QByteArray restoredBytes = readAll(restoredFile);
    QRandomGenerator random(11);
    int cuts = 0;
    for (const bool restore : {false, true}) {
        int syncs = 0;
        for (int at = 1; syncs == 0; ++at) {
            for (const bool torn : {false, true}) {
                SCOPED_TRACE(::testing::Message() << (restore ? "restore" : "daily copy") << ", cut at sync " << at
                                                  << (torn ? ", torn" : ""));
                QTemporaryDir work;
                copyTree(start.path(), work.path());
                const QString path = work.filePath(QStringLiteral("evidence/db1.zaz"));
                const QString file = work.filePath(QStringLiteral("jinde/zaloha.zaz"));
                powercut::begin(path);
                QProcess worker;
                QStringList arguments = {path, restore ? QStringLiteral("restore") : QStringLiteral("daily"),
                                         QString::number(at), torn ? QStringLiteral("torn") : QStringLiteral("whole")};
                if (restore)
                    arguments << file;
                worker.start(QStringLiteral(ORDISK_BACKUP_WORKER), arguments);
                ASSERT_TRUE(worker.waitForFinished(-1));
                const QString said = QString::fromUtf8(worker.readAllStandardOutput()).trimmed();
                const bool finished = worker.exitStatus() == QProcess::NormalExit;
                if (finished) {
                    ASSERT_EQ(worker.exitCode(), 0) << said.toStdString();
                    syncs = said.section(QLatin1Char(' '), 1).toInt();
                }
                const QString cut = powercut::cut(path, random, torn);
                SCOPED_TRACE(cut.toStdString());
                ++cuts;

                const qint64 discs = discsIn(path, false);
                if (restore) {
                    EXPECT_TRUE(discs == 3 || discs == 5) << discs;
                } else {
                    EXPECT_EQ(discs, 3);
                }
                EXPECT_EQ(readAll(file), restoredBytes);
                bool madeToday = false;
                for (const backups::Copy& copy : backups::list(backups::folderOf(path))) {
                    const qint64 inCopy = discsIn(copy.path, true);
                    EXPECT_GE(inCopy, 0) << copy.path.toStdString() << " is not whole";
                    madeToday = madeToday || (copy.day == QDate(2026, 12, 8) && inCopy == 3);
                }
                const QStringList kept =
                    QDir(backups::folderOf(path)).entryList({QStringLiteral("*-pred-obnovou.zaz")});
                const bool keptBefore =
                    kept.size() == 1 && discsIn(QDir(backups::folderOf(path)).filePath(kept.value(0)), true) == 3;
                if (discs == 5) {
                    EXPECT_TRUE(keptBefore) << "the register before the restore is kept";
                }
                // Once every sync was made, a cut takes nothing of what was done.
                if (finished) {
                    EXPECT_EQ(discs, restore ? 5 : 3);
                    EXPECT_TRUE(restore || madeToday);
                }
            }
        }
        EXPECT_GT(syncs, 3);
        std::printf("%s: %d syncs, each cut whole and torn\n", restore ? "restore" : "daily copy", syncs);
    }
    EXPECT_GT(cuts, 10);
}
