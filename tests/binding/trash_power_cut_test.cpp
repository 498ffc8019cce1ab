// A deletion into the trash, a restore from it and a deletion taken back, each ended at every
// one of its syncs in turn: killed (the disk keeps what was written), or its power cut (the
// disk keeps what was synced, the sync itself whole or torn). The register opens whole, and
// the disc and each of its loans are in exactly one of the register and the trash.
#include "power_cut.h"
#include "qt_printers.h"
#include "storage/database.h"
#include "storage/register_file.h"
#include "storage/trash.h"
#include "temp_register.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

enum class End { Kill, Cut, TornCut };

// Where the disc and its loans are: "register", "trash", or what is wrong.
QString whereIs(const QString& path, qint64 disc, const QList<qint64>& loans)
{
    Status status = Status::success();
    const std::unique_ptr<Database> db = openRegisterFile(path, status);
    if (!db || !db->checkWhole().ok())
        return QStringLiteral("not whole: ") + status.message();
    const auto count = [&db](const QString& sql, qint64 key) {
        qint64 n = -1;
        (void)db->queryInt(sql, n, {key});
        return n;
    };
    const qint64 inRegister = count(QStringLiteral("SELECT count(*) FROM cd WHERE idcd = ?"), disc);
    const qint64 inTrash = count(QStringLiteral("SELECT count(*) FROM kos_cd WHERE idcd = ?"), disc);
    if (inRegister + inTrash != 1)
        return QStringLiteral("the disc %1× in the register, %2× in the trash").arg(inRegister).arg(inTrash);
    for (const qint64 loan : loans) {
        const qint64 here = count(QStringLiteral("SELECT count(*) FROM pujcovani WHERE idvypujcky = ?"), loan);
        const qint64 kept = count(QStringLiteral("SELECT count(*) FROM kos_pujcovani WHERE idvypujcky = ?"), loan);
        if (here != inRegister || kept != inTrash)
            return QStringLiteral("loan %1: %2× in the register, %3× in the trash").arg(loan).arg(here).arg(kept);
    }
    return inRegister == 1 ? QStringLiteral("register") : QStringLiteral("trash");
}

} // namespace

TEST(Trash, AKillOrAPowerCutAtAnySyncOfADeleteOrARestoreLeavesTheDiscInOnePlace)
{
    QTemporaryDir start;
    const QString startPath = start.filePath(QStringLiteral("db1.zaz"));
    const QString trashedPath = start.filePath(QStringLiteral("smazano.zaz"));
    qint64 disc = 0;
    QList<qint64> loans;
    {
        TempRegister reg;
        disc = reg.addCd(QStringLiteral("Kytice"));
        reg.addCd(QStringLiteral("Zůstává"));
        const qint64 jan = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
        loans << reg.addLoan(disc, jan, QStringLiteral("na chatu")) << reg.addLoan(disc, jan);
        ASSERT_TRUE(QFile::copy(reg.path(), startPath));
        // The same register with the disc deleted as the windows delete it, for the restore.
        Transaction transaction(reg.db());
        Status kept = Status::success();
        trash::keep(reg.db(), QStringLiteral("cd"), disc, QDateTime::currentDateTime(), kept);
        ASSERT_TRUE(kept.ok());
        ASSERT_TRUE(reg.db().execute(QStringLiteral("DELETE FROM cd WHERE idcd = ?"), {disc}).ok());
        ASSERT_TRUE(transaction.commit().ok());
        ASSERT_TRUE(QFile::copy(reg.path(), trashedPath));
    }
    QRandomGenerator random(46);
    for (const char* action : {"delete", "restore", "undo"}) {
        const bool restoring = std::strcmp(action, "restore") == 0;
        const bool undo = std::strcmp(action, "undo") == 0;
        const QString before = restoring ? QStringLiteral("trash") : QStringLiteral("register");
        const QString after = std::strcmp(action, "delete") == 0 ? QStringLiteral("trash") : QStringLiteral("register");
        int syncs = 0;
        for (int at = 1; syncs == 0; ++at) {
            for (const End end : {End::Kill, End::Cut, End::TornCut}) {
                SCOPED_TRACE(::testing::Message() << action << ", ended at sync " << at << " by "
                                                  << (end == End::Kill  ? "a kill"
                                                      : end == End::Cut ? "a cut"
                                                                        : "a torn cut"));
                QTemporaryDir work;
                const QString path = work.filePath(QStringLiteral("db1.zaz"));
                ASSERT_TRUE(QFile::copy(restoring ? trashedPath : startPath, path));
                powercut::begin(path);
                QProcess worker;
                worker.start(QStringLiteral(ORDISK_TRASH_WORKER),
                             {path, QLatin1String(action), QString::number(disc), QString::number(at),
                              end == End::TornCut ? QStringLiteral("torn") : QStringLiteral("whole")});
                ASSERT_TRUE(worker.waitForFinished(-1));
                const QString said = QString::fromUtf8(worker.readAllStandardOutput()).trimmed();
                const bool finished = worker.exitStatus() == QProcess::NormalExit;
                if (finished) {
                    ASSERT_EQ(worker.exitCode(), 0) << said.toStdString();
                    syncs = said.section(QLatin1Char(' '), 1).toInt();
                }
                const QString cut = end == End::Kill ? QString() : powercut::cut(path, random, end == End::TornCut);
                SCOPED_TRACE(cut.toStdString());
                const QString where = whereIs(path, disc, loans);
                if (finished)
                    EXPECT_EQ(where, after) << "every sync made: nothing of it is lost";
                else // a deletion taken back may have ended between its two changes: in the trash
                    EXPECT_TRUE(where == before || where == after || undo) << where.toStdString();
                EXPECT_TRUE(where == QStringLiteral("register") || where == QStringLiteral("trash"))
                    << where.toStdString();
            }
        }
        EXPECT_GE(syncs, 2) << action;
        std::printf("%s: %d syncs, each ended by a kill, a cut and a torn cut\n", action, syncs);
    }
}
