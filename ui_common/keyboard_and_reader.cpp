#include "ui_common/keyboard_and_reader.h"

#include <QAccessibleWidget>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

namespace {

// The program's windows, by the names their Designer files give them, which are set before
// any of their controls is made (and may be asked for by Qt already then).
bool isProgramWindow(const QWidget* window)
{
    static const QStringList names = {QStringLiteral("Form1"), QStringLiteral("Form2"), QStringLiteral("Form3"),
                                      QStringLiteral("Form4"), QStringLiteral("Form5"), QStringLiteral("frmAbout")};
    return names.contains(window->objectName());
}

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
    if (widget->isWindow() && isProgramWindow(widget))
        return new ShownChildren(widget,
                                 widget->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window);
    if ((className == QLatin1String("QGroupBox") || className == QLatin1String("QFrame")) &&
        isProgramWindow(widget->window()))
        return new ShownChildren(widget, QAccessible::Grouping);
    return nullptr;
}

} // namespace

void installReaderInterfaces()
{
    // Qt asks its own factory after the last one installed: ours goes in after Qt's.
    static const bool installed = (QAccessible::installFactory(accessibleFor), true);
    (void)installed;
}

void serveKeyboardAndReader(QWidget* window)
{
    installReaderInterfaces();
    auto* enter = new EnterPresses(window);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->installEventFilter(enter);
        if (button->text() == QStringLiteral("ZPĚT"))
            QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), window), &QShortcut::activated, button,
                             &QPushButton::click);
    }
}
