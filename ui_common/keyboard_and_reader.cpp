#include "keyboard_and_reader.h"

#include <QAccessibleWidget>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

namespace {

const char* const servedWindow = "ordiskWindow";

// Presses a focused button on Enter; Qt presses it on Space only.
class EnterPresses : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* button = qobject_cast<QPushButton*>(watched);
            if (button && (key == Qt::Key_Return || key == Qt::Key_Enter) && button->isEnabled()) {
                button->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// A window, or a frame within one, that tells a screen reader only of the controls shown.
class ShownChildren : public QAccessibleWidget
{
public:
    ShownChildren(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    int childCount() const override { return static_cast<int>(shown().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> children = shown();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? static_cast<int>(shown().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }
    QString text(QAccessible::Text kind) const override
    {
        QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty())
            if (const auto* frame = qobject_cast<const QGroupBox*>(widget()))
                text = frame->title();
        return text;
    }

private:
    QList<QWidget*> shown() const
    {
        QList<QWidget*> children;
        for (QObject* object : widget()->children())
            if (auto* child = qobject_cast<QWidget*>(object); child && !child->isWindow() && !child->isHidden())
                children << child;
        return children;
    }
};

// Windows of the program are frames (About a dialog); their frames (group boxes and bare
// frames) groups.
QAccessibleInterface* accessibleFor(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    if (widget->isWindow() && widget->property(servedWindow).toBool())
        return new ShownChildren(widget,
                                 widget->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window);
    if ((className == QLatin1String("QGroupBox") || className == QLatin1String("QFrame")) &&
        widget->window()->property(servedWindow).toBool())
        return new ShownChildren(widget, QAccessible::Grouping);
    return nullptr;
}

} // namespace

void serveKeyboardAndReader(QWidget* window)
{
    static const bool installed = (QAccessible::installFactory(accessibleFor), true);
    (void)installed;
    window->setProperty(servedWindow, true);
    auto* enter = new EnterPresses(window);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->installEventFilter(enter);
        if (button->text() == QStringLiteral("ZPĚT"))
            QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), window), &QShortcut::activated, button,
                             &QPushButton::click);
    }
}
