// A deletion into the trash, a restore from it, or a deletion taken back with Zpět, made under
// the power-cut model and ended at one of its syncs, for the trash's power-cut test.
// Arguments: the register, "delete", "restore" or "undo", the disc's id, the sync to end at
// (0: none), "torn" or "whole". A run that ends by itself prints how many syncs it made.
#include "binding/record_source.h"
#include "power_cut.h"
#include "rows/register.h"
#include "storage/trash.h"
#include "undo/undo_history.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc < 6)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!powercut::install(path)) {
        std::puts("! the power-cut model could not be installed");
        return 3;
    }
    const qint64 disc = std::atoll(argv[3]);
    Status status = Status::success();
    std::unique_ptr<Register> reg = Register::open(path, status);
    if (reg) {
        powercut::dieAtSync(std::atoi(argv[4]), std::strcmp(argv[5], "torn") == 0);
        UndoHistory history(reg->db());
        if (std::strcmp(argv[2], "restore") == 0) {
            qint64 item = 0;
            status = reg->db().queryInt(QStringLiteral("SELECT idkose FROM kos WHERE klic = ?"), item, {disc});
            if (status.ok())
                trash::restore(reg->db(), item, status);
        } else {
            RecordSource source(*reg, QStringLiteral("cd"));
            source.setHistory(&history);
            source.setRecordSource(queries::idEquals(QStringLiteral("cd"), QStringLiteral("idcd"), disc));
            status = source.refresh();
            if (status.ok())
                status = source.deleteCurrent();
            QString refusal;
            if (status.ok() && std::strcmp(argv[2], "undo") == 0)
                status = history.undo(refusal);
            if (status.ok() && !refusal.isEmpty())
                status = Status::failure(refusal);
        }
    }
    if (!status.ok()) {
        std::printf("! %s\n", status.message().toUtf8().constData());
        return 3;
    }
    std::printf("syncs %d\n", powercut::syncs());
    return 0;
}
