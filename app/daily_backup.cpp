#include "daily_backup.h"

#include "backups/backups.h"
#include "storage/database.h"
#include "ui_common/messages.h"

#include <QDate>
#include <QFile>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

DailyBackup::DailyBackup(Database& db, const QString& registerPath, QWidget* window)
{
    m_thread = std::thread([this, &db, registerPath, target = QPointer<QWidget>(window)] {
        Status status = Status::success();
        backups::Outcome outcome;
        if (std::unique_ptr<Database> own = Database::connect(QFile::encodeName(registerPath), status))
            outcome = backups::daily(*own, registerPath, QDate::currentDate(), [this] { return m_stop.load(); });
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
