#pragma once

#include <QWidget>

#include <gtest/gtest.h>

// The child control of a window by its object name; fails the test when missing.
template <class T> T* child(QWidget* window, const char* name)
{
    T* widget = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no control " << name;
    return widget;
}
