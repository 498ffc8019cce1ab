#include "ui_common/program_window.h"

#include "ui_common/activation_tracker.h"
#include "ui_common/keyboard_and_reader.h"

#include <QEvent>
#include <QTimer>

ProgramWindow::ProgramWindow(QWidget* parent) : QWidget(parent)
{
    installReaderInterfaces();
    ActivationTracker::markProgramWindow(this);
}

bool ProgramWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate &&
        (!m_activatedOnce || ActivationTracker::instance().cameFromProgramWindow()))
        activate();
    return QWidget::event(event);
}

void ProgramWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Without a window manager (or with one that does not focus new windows) the
    // first showing brings no activation; the window must be set up all the same.
    if (!m_activatedOnce)
        QTimer::singleShot(0, this, [this] {
            if (!m_activatedOnce)
                activate();
        });
}

void ProgramWindow::activate()
{
    Form_Activate();
    m_activatedOnce = true;
}
