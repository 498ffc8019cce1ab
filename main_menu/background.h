#pragma once

#include <QString>

#include <functional>

class QWidget;
template <typename T> class QPromise;

namespace mainmenu {

// What work off the window's thread tells the window, and what it is told: its promise.
class Progress
{
public:
    explicit Progress(QPromise<void>& promise) : m_promise(promise) {}
    // Rows done so far (shown in the progress dialog).
    void rows(qint64 done);
    // Whether the user pressed "Zrušit" or closed the window: the work stops soon.
    bool cancelled() const;

private:
    QPromise<void>& m_promise;
};

// How background work ended.
enum class Ended {
    Done,         // it ran to its end
    Cancelled,    // "Zrušit" was pressed (the work may still have finished)
    WindowClosed, // the window was closed or the program is ending: nothing more is told
};

// Runs the work with Qt Concurrent and returns once it ended. Meanwhile the window's thread
// goes on drawing and answering message boxes; a window-modal progress dialog (the text, the
// rows done, "Zrušit" where the work may be cancelled) shows once it has taken 0.4 s, and
// until then the user's input waits for it. Closing the window cancels the work.
Ended runInBackground(QWidget* window, const QString& title, const QString& text, bool cancellable,
                      const std::function<void(Progress&)>& work);

} // namespace mainmenu
