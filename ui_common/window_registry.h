#pragma once

#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// The other windows of the program: each exists at most once, is modeless,
// and is deleted when it closes, so the next opening loads it anew.
class WindowRegistry
{
public:
    // The loaded window of that name, or null.
    QWidget* find(const QString& name) const;
    // Loads the window with create() unless it is loaded; does not show it.
    QWidget* load(const QString& name, const std::function<QWidget*()>& create);
    // Loads the window if needed, shows it and brings it to the front.
    QWidget* open(const QString& name, const std::function<QWidget*()>& create);
    // Shows a loaded window and brings it to the front.
    static void bringToFront(QWidget* window);
    // Closes every loaded window.
    void closeAll();

private:
    QMap<QString, QPointer<QWidget>> m_windows;
};
