#pragma once

#include <QString>

#include <atomic>
#include <functional>

class QWidget;

namespace mainmenu {

// What work on a thread of its own tells the window, and what it is told.
struct Progress
{
    std::atomic<qint64> rows{0};        // rows done so far (shown)
    std::atomic<bool> cancelled{false}; // the user pressed "Zrušit"
};

// Runs the work on a thread of its own while the window goes on drawing itself and returns
// once it ended. A progress dialog (the text, the rows done, "Zrušit" where it may be
// cancelled) shows when the work takes longer than a moment; meanwhile it is modal, so the
// window's controls wait.
void runInBackground(QWidget* window, const QString& title, const QString& text, bool cancellable,
                     const std::function<void(Progress&)>& work);

} // namespace mainmenu
