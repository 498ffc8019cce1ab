#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Follows which window of the program is active, so that a window can tell
// whether the user came back to it from another window of the program, and
// not from one of its own message boxes or from another application.
class ActivationTracker : public QObject
{
    Q_OBJECT

public:
    // The tracker of the running application (installed on first use).
    static ActivationTracker& instance();
    // Marks a window as one of the program's own windows (not a message box or input box).
    static void markProgramWindow(QWidget* window);
    // Whether, at the latest activation, the window active before was another program window.
    bool cameFromProgramWindow() const { return m_previousIsProgram; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ActivationTracker() = default;

    QPointer<QWidget> m_current;
    bool m_currentIsProgram = false;
    bool m_previousIsProgram = false;
};
