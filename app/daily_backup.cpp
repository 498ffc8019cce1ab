#include "daily_backup.h"

#include "backups/backups.h"
#include "storage/database.h"
#include "ui_common/messages.h"

#include <QDate>
#include <QFile>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

DailyBackup::DailyBackup(Database& db, const QString& registerPath, QWidget* window)
{
    m_thread = std::thread([this, &db, registerPath, target = QPointer<QWidget>(window)] {
        // The copy gives way to the window's work: the lowest priority for the processor and
        // the disk, and a pause between its steps.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
        constexpr int idleClass = 3;
        constexpr int classShift = 13;
        ::syscall(SYS_ioprio_set, 1 /* a thread */, ::gettid(), idleClass << classShift);
        Status status = Status::success();
        backups::Outcome outcome;
        const auto stopOrPause = [this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return m_stop.load();
        };
        if (std::unique_ptr<Database> own = Database::connect(QFile::encodeName(registerPath), status))
            outcome = backups::daily(*own, registerPath, QDate::currentDate(), stopOrPause);
        else
            outcome.status = status;
        if (m_stop || outcome.status.ok() || !target)
            return;
        // Told on the window's thread; not at all once the window is gone.
        QMetaObject::invokeMethod(
            target.data(),
            [&db, target, status = outcome.status] {
                if (status.isDamage())
                    db.noteDamage();
                else
                    messages::critical(target, QStringLiteral("Chyba"), status.message());
            },
            Qt::QueuedConnection);
    });
}

DailyBackup::~DailyBackup()
{
    m_stop = true;
    m_thread.join();
}
