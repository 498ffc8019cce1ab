#pragma once

#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// The other windows of the program: each exists at most once, is modeless,
// and is deleted when it closes, so the next opening loads it anew. A window is
// known by its class (Form2, Form5...), which is also its name.
class WindowRegistry
{
public:
    // The loaded window of that name, or null.
    QWidget* find(const QString& name) const;
    template <class Window> Window* find() const
    {
        return static_cast<Window*>(find(QLatin1String(Window::staticMetaObject.className())));
    }
    // Loads the window with create() unless it is loaded; does not show it.
    template <class Window> Window* load(const std::function<Window*()>& create)
    {
        return static_cast<Window*>(load(QLatin1String(Window::staticMetaObject.className()), create));
    }
    // Loads the window if needed, shows it and brings it to the front.
    template <class Window> Window* open(const std::function<Window*()>& create)
    {
        Window* window = load<Window>(create);
        bringToFront(window);
        return window;
    }
    // Shows a loaded window and brings it to the front.
    static void bringToFront(QWidget* window);
    // Closes every loaded window.
    void closeAll();

private:
    QWidget* load(const QString& name, const std::function<QWidget*()>& create);

    QMap<QString, QPointer<QWidget>> m_windows;
};
