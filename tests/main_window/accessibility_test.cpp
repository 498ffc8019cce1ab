// Every control a user reaches has a name a screen reader can announce in Czech,
// and the entry windows keep their focus order.
#include "main_window_fixture.h"
#include "qt_printers.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QPlainTextEdit>

namespace {

QStringList unnamedControls(QWidget* window)
{
    QStringList unnamed;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const bool reachable = qobject_cast<QLineEdit*>(control) || qobject_cast<QPlainTextEdit*>(control) ||
                               qobject_cast<QComboBox*>(control) || qobject_cast<QAbstractButton*>(control) ||
                               qobject_cast<QTableView*>(control);
        if (!reachable || control->objectName().isEmpty() || !control->isVisibleTo(window))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << window->objectName() + QLatin1Char('.') + control->objectName();
    }
    return unnamed;
}

} // namespace

TEST_F(MainWindowFixture, EveryControlHasAnAccessibleNameAndEntryWindowsKeepTheirFocusOrder)
{
    EXPECT_EQ(unnamedControls(form.get()), QStringList());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(child<QWidget>(form.get(), "Text2"))->text(QAccessible::Name),
              QStringLiteral("Název"));
    for (const auto& [button, window] : {std::pair{"Command1", "Form2"}, std::pair{"Command3", "Form3"},
                                         std::pair{"Command2", "Form4"}, std::pair{"Command9", "frmAbout"},
                                         std::pair{"Command6", "Form5"}}) {
        gui::click(child<QPushButton>(form.get(), button));
        QWidget* opened = form->windows().find(QString::fromLatin1(window));
        ASSERT_NE(opened, nullptr) << window;
        EXPECT_EQ(unnamedControls(opened), QStringList());
    }

    const auto order = [](QWidget* window, QWidget* first, int steps) {
        QStringList names;
        QWidget* w = first;
        for (int i = 0; i < steps; ++i, w = w->nextInFocusChain()) {
            while (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(window) || w->objectName().startsWith(QLatin1String("qt_")))
                w = w->nextInFocusChain();
            names << w->objectName();
        }
        return names;
    };
    QWidget* f3 = form->windows().find(QStringLiteral("Form3"));
    EXPECT_EQ(order(f3, child<QWidget>(f3, "Check2"), 9),
              QStringList({"Check2", "Text9", "Text10", "Combo1", "Combo2", "Text14", "Command2", "Command1", "Text7"}));
    QWidget* f4 = form->windows().find(QStringLiteral("Form4"));
    EXPECT_EQ(order(f4, child<QWidget>(f4, "Text2"), 7),
              QStringList({"Text2", "Text3", "Text4", "Text5", "Text6", "Command2", "Command1"}));

    // Tab moves on from every multi-line box a user can reach; it never types a tab into it.
    for (QWidget* window : {static_cast<QWidget*>(form.get()), f3, f4}) {
        QApplication::setActiveWindow(window);
        for (auto* box : window->findChildren<QPlainTextEdit*>()) {
            if (!box->isVisibleTo(window) || box->isReadOnly())
                continue;
            gui::type(box, QStringLiteral("a"));
            QTest::keyClick(box, Qt::Key_Tab);
            EXPECT_NE(QApplication::focusWidget(), box) << box->objectName().toStdString();
            EXPECT_FALSE(box->toPlainText().contains(QLatin1Char('\t'))) << box->objectName().toStdString();
        }
    }
}
