#include "ui_common/window_registry.h"

#include "ui_common/activation_tracker.h"

QWidget* WindowRegistry::find(const QString& name) const
{
    return m_windows.value(name).data();
}

QWidget* WindowRegistry::load(const QString& name, const std::function<QWidget*()>& create)
{
    if (QWidget* window = find(name))
        return window;
    QWidget* window = create();
    window->setAttribute(Qt::WA_DeleteOnClose);
    ActivationTracker::markProgramWindow(window);
    m_windows.insert(name, window);
    return window;
}

void WindowRegistry::bringToFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowRegistry::closeAll()
{
    const auto windows = m_windows.values();
    for (const QPointer<QWidget>& window : windows)
        if (window)
            window->close();
    m_windows.clear();
}
