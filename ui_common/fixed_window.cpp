#include "ui_common/fixed_window.h"

#include "ui_common/keyboard_and_reader.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

#include <algorithm>
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
    // A frame's contents are placed from its top edge; Qt draws the frame's title above its
    // border there, so contents placed close to the top would sit on the border. They move
    // down until they clear the title.
    for (QGroupBox* frame : window->findChildren<QGroupBox*>()) {
        const QList<QWidget*> contents = frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        if (frame->title().isEmpty() || contents.isEmpty())
            continue;
        int top = frame->height();
        for (const QWidget* control : contents)
            top = std::min(top, control->y());
        if (const int room = frame->contentsRect().top() - top; room > 0)
            for (QWidget* control : contents)
                control->move(control->x(), control->y() + room);
    }
    for (QComboBox* box : window->findChildren<QComboBox*>())
        if (box->isEditable()) {
            box->setCompleter(nullptr);
            box->setInsertPolicy(QComboBox::NoInsert);
        }
    serveKeyboardAndReader(window);
}
