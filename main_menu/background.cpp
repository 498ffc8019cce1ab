#include "main_menu/background.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <thread>

namespace mainmenu {
namespace {

// Until the progress dialog shows (and is modal), the user's input reaches no other window.
class OnlyTheDialog : public QObject
{
public:
    explicit OnlyTheDialog(QWidget* dialog) : m_dialog(dialog) { qApp->installEventFilter(this); }
    ~OnlyTheDialog() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel: {
            auto* widget = qobject_cast<QWidget*>(watched);
            return widget && widget != m_dialog && !m_dialog->isAncestorOf(widget);
        }
        default:
            return false;
        }
    }

private:
    QWidget* m_dialog;
};

} // namespace

void runInBackground(QWidget* window, const QString& title, const QString& text, bool cancellable,
                     const std::function<void(Progress&)>& work)
{
    Progress progress;
    QProgressDialog dialog(text, QStringLiteral("Zrušit"), 0, 0, window);
    dialog.setObjectName(QStringLiteral("Progress"));
    dialog.setWindowTitle(title);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(400);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    if (!cancellable)
        dialog.setCancelButton(nullptr);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
        progress.cancelled = true;
        dialog.setLabelText(text + QStringLiteral("\nRuší se…"));
    });
    QTimer rows;
    QObject::connect(&rows, &QTimer::timeout, &dialog, [&] {
        if (const qint64 done = progress.rows; done > 0 && !progress.cancelled)
            dialog.setLabelText(text + QStringLiteral("\nZpracováno řádků: %1").arg(done));
    });
    rows.start(200);
    const OnlyTheDialog onlyTheDialog(&dialog);
    QEventLoop loop;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        work(progress);
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    if (!finished)
        loop.exec();
    worker.join();
}

} // namespace mainmenu
