#include "session.h"

#include "backups/backups.h"
#include "daily_backup.h"
#include "damage_offer.h"
#include "main_menu/flows.h"
#include "main_menu/main_menu.h"
#include "main_window/form1.h"
#include "rows/register.h"
#include "storage/register_file.h"
#include "storage/trash.h"
#include "ui_common/messages.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>

#include <memory>

int runWindows(const QString& registerPath, const std::function<bool()>& startAgain)
{
    // Messages name the register as it was given; its copies are found from where it is.
    const QString absolutePath = QFileInfo(registerPath).absoluteFilePath();
    // A damaged register is told of once and written to no more; the newest whole copy of it
    // is offered, and restored once every window and connection is closed.
    QString restoreFrom;
    bool chosenInMenu = false;
    messages::onDamage([&restoreFrom, &absolutePath](const QString&) { restoreFrom = offerBackup(absolutePath); });
    // A copy chosen in the menu: restored the same way once the windows are closed.
    mainmenu::onRestore([&restoreFrom, &chosenInMenu](const QString& copy) {
        restoreFrom = copy;
        chosenInMenu = true;
    });
    int exitStatus = 1;
    {
        Status status = Status::success();
        std::unique_ptr<RegisterInUse> inUse; // outlives the register's connections
        std::unique_ptr<Register> reg = Register::open(registerPath, status);
        if (!reg && status.isDamage()) {
            messages::endForDamage(status.message());
        } else if (!reg) {
            messages::critical(nullptr, QStringLiteral("Chyba"), status.message());
            return 1;
        } else if (inUse = RegisterInUse::take(registerPath, false); !inUse) {
            // While the window is open, no restore replaces the register under it.
            messages::critical(
                nullptr, QStringLiteral("Chyba"),
                QStringLiteral("Evidence se právě obnovuje ze zálohy; spusťte program znovu za chvíli."));
            return 1;
        } else {
            reg->db().onDamage([](const QString& text) {
                QMetaObject::invokeMethod(
                    qApp, [text] { messages::endForDamage(text); }, Qt::QueuedConnection);
            });
            // What has been in the trash long enough goes at start; a failure here stops
            // nothing (damage takes its own road through onDamage).
            (void)trash::expire(reg->db(), QDateTime::currentDateTime(), mainmenu::trashDays());
            Form1 form(*reg);
            if (reg->db().isDamaged()) { // found while the lists were first read: the window is not shown
                QCoreApplication::sendPostedEvents();
            } else {
                form.show();
                // The day's copy of the register, in the background (stopped and waited for at
                // the end), once the lists are read: it would take the processor from the reading.
                std::unique_ptr<DailyBackup> backup;
                const auto copy = [&backup, &reg, &absolutePath, &form] {
                    if (!backup)
                        backup = std::make_unique<DailyBackup>(reg->db(), absolutePath, &form);
                };
                if (form.holdsEveryRow())
                    copy();
                else
                    QObject::connect(&form, &Form1::everyRowRead, &form, copy);
                exitStatus = QApplication::exec();
            }
        }
    }
    messages::onDamage(nullptr);
    mainmenu::onRestore(nullptr);
    if (restoreFrom.isEmpty())
        return exitStatus;
    const backups::Restored restored = backups::restore(absolutePath, restoreFrom, QDateTime::currentDateTime());
    if (!restored.status.ok()) {
        // The window promised to start again: it does, on the register as it was.
        if (chosenInMenu) {
            messages::critical(nullptr, QStringLiteral("Chyba"),
                               restored.status.message() +
                                   QStringLiteral("\nProgram se spustí znovu na dosavadní evidenci."));
            return startAgain() ? 0 : 1;
        }
        messages::critical(nullptr, QStringLiteral("Chyba"), restored.status.message());
        return 1;
    }
    return startAgain() ? 0 : 1;
}
