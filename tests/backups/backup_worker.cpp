// A copy of the register or a restore, made under the power-cut model and ended at one of
// its syncs, for the backups' power-cut test. Arguments: the register, "daily" or "restore",
// the sync to end at (0: none), "torn" or "whole", and for a restore the file to restore.
// A run that ends by itself prints how many syncs it made.
#include "backups/backups.h"
#include "power_cut.h"
#include "storage/database.h"
#include "storage/register_file.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc < 5)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!powercut::install(path)) {
        std::puts("! the power-cut model could not be installed");
        return 3;
    }
    powercut::dieAtSync(std::atoi(argv[3]), std::strcmp(argv[4], "torn") == 0);
    const QDateTime at(QDate(2026, 12, 8), QTime(12, 0));
    Status status = Status::success();
    if (std::strcmp(argv[2], "daily") == 0) {
        std::unique_ptr<Database> db = openRegisterFile(path, status);
        if (db)
            status = backups::daily(*db, path, at.date()).status;
    } else if (argc > 5) {
        status = backups::restore(path, QString::fromLocal8Bit(argv[5]), at).status;
    }
    if (!status.ok()) {
        std::printf("! %s\n", status.message().toUtf8().constData());
        return 3;
    }
    std::printf("syncs %d\n", powercut::syncs());
    return 0;
}
