#include "ui_common/activation_tracker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {
const char* const programWindowProperty = "ordiskProgramWindow";
}

ActivationTracker& ActivationTracker::instance()
{
    static ActivationTracker* tracker = [] {
        auto* t = new ActivationTracker;
        t->setParent(qApp);
        qApp->installEventFilter(t);
        return t;
    }();
    return *tracker;
}

void ActivationTracker::markProgramWindow(QWidget* window)
{
    instance();
    window->setProperty(programWindowProperty, true);
}

bool ActivationTracker::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow()) {
            if (window == m_current) {
                // Back from another application (or activated again): not a move between our windows.
                m_previousIsProgram = false;
            } else {
                m_previousIsProgram = m_currentIsProgram;
                m_current = window;
                m_currentIsProgram = window->property(programWindowProperty).toBool();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
