#pragma once

#include <QWidget>

#include <stdexcept>
#include <string>

// The child control of a window by its object name. A missing one ends the test there as
// failed (the exception is caught and reported by GoogleTest), instead of crashing later.
template <class T> T* child(QWidget* window, const char* name)
{
    T* widget = window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (!widget)
        throw std::runtime_error(std::string("no control ") + name);
    return widget;
}
