#include "main_menu/background.h"

#include <QCloseEvent>
#include <QEvent>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QMetaMethod>
#include <QPointer>
#include <QProgressDialog>
#include <QPromise>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <limits>

namespace mainmenu {

void Progress::rows(qint64 done)
{
    m_promise.setProgressValue(static_cast<int>(std::min<qint64>(done, std::numeric_limits<int>::max())));
}

bool Progress::cancelled() const
{
    return m_promise.isCanceled();
}

namespace {

// How long work runs before its progress dialog shows.
constexpr int showAfterMs = 400;

// Cancels the work when the window it runs for is closed (only that window is watched).
class CancelOnClose : public QObject
{
public:
    CancelOnClose(QWidget* window, QFuture<void>& future, bool& closed)
        : m_window(window), m_future(future), m_closed(closed)
    {
        if (window)
            window->installEventFilter(this);
    }
    ~CancelOnClose() override
    {
        if (m_window)
            m_window->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            m_closed = true;
            m_future.cancel();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QFuture<void>& m_future;
    bool& m_closed;
};

// The progress dialog stays until the work ends: Escape and its close box are "Zrušit" where
// the work may be cancelled, and do nothing where it may not.
class ProgressDialog : public QProgressDialog
{
public:
    ProgressDialog(const QString& text, bool cancellable, QWidget* window)
        : QProgressDialog(text, QStringLiteral("Zrušit"), 0, 0, window), m_cancellable(cancellable)
    {
        if (!cancellable)
            setCancelButton(nullptr);
        // Qt's own dialog hides itself at a cancel; this one stays, saying "Ruší se…", until
        // the work has stopped, so that nothing else is begun meanwhile. (Qt made that
        // connection by the slot's name, which a member pointer does not match.)
        disconnect(this, QMetaMethod::fromSignal(&QProgressDialog::canceled), this,
                   staticMetaObject.method(staticMetaObject.indexOfSlot("cancel()")));
    }
    void reject() override
    {
        if (m_cancellable)
            Q_EMIT canceled();
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        reject();
    }

private:
    bool m_cancellable;
};

} // namespace

Ended runInBackground(QWidget* window, const QString& title, const QString& text, bool cancellable,
                      const std::function<void(Progress&)>& work)
{
    QFuture<void> future = QtConcurrent::run([&work](QPromise<void>& promise) {
        promise.setProgressRange(0, std::numeric_limits<int>::max());
        Progress progress(promise);
        work(progress);
    });
    ProgressDialog dialog(text, cancellable, window);
    dialog.setObjectName(QStringLiteral("Progress"));
    dialog.setWindowTitle(title);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    // Shown by our own timer: with the range 0..0 the dialog's own would wait four seconds.
    dialog.setMinimumDuration(std::numeric_limits<int>::max());
    bool cancelled = false;
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
        cancelled = true;
        future.cancel();
        dialog.setLabelText(text + QStringLiteral("\nRuší se…"));
    });
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::progressValueChanged, &dialog, [&](int done) {
        if (done > 0 && !future.isCanceled())
            dialog.setLabelText(text + QStringLiteral("\nZpracováno řádků: %1").arg(done));
    });
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    bool closed = false;
    const CancelOnClose closing(window, future, closed);

    // Until the dialog shows, the user's input waits (it reaches the dialog once it is there,
    // so that an Escape pressed early cancels); everything else, a message box too, goes on.
    bool timeUp = false;
    QTimer::singleShot(showAfterMs, &loop, [&] {
        timeUp = true;
        loop.quit();
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (timeUp && !future.isFinished()) {
        dialog.show();
        dialog.setValue(0);
        loop.exec();
    }
    // The program is ending (every event loop was told to quit) or the window closed: the
    // work is cancelled and waited for; it stops within moments.
    if (!future.isFinished()) {
        closed = true;
        future.cancel();
        future.waitForFinished();
    }
    if (closed)
        return Ended::WindowClosed;
    return cancelled ? Ended::Cancelled : Ended::Done;
}

} // namespace mainmenu
