#include "fixed_window.h"

#include <QLineEdit>
#include <QWidget>

#include <limits>

void makeFixedWindow(QWidget* window, Qt::WindowType kind)
{
    window->setWindowFlags(kind | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(window->size());
    // The windows limit nothing that is typed (a line edit would cut text at 32767 characters).
    for (QLineEdit* box : window->findChildren<QLineEdit*>())
        box->setMaxLength(std::numeric_limits<int>::max());
}
