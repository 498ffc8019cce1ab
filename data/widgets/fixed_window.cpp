#include "fixed_window.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
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
    for (QPlainTextEdit* box : window->findChildren<QPlainTextEdit*>())
        box->setTabChangesFocus(true);
    for (QComboBox* box : window->findChildren<QComboBox*>())
        if (box->isEditable()) {
            box->setCompleter(nullptr);
            box->setInsertPolicy(QComboBox::NoInsert);
        }
}
