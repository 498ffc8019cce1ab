// Every control a user reaches has a name a screen reader can announce in Czech,
// and Tab leaves every box.
#include "main_window_fixture.h"
#include "qt_printers.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolTip>

#include <functional>

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

TEST_F(MainWindowFixture, EveryControlHasAnAccessibleNameAndTabLeavesEveryBox)
{
    EXPECT_EQ(unnamedControls(form.get()), QStringList());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(child<QWidget>(form.get(), "Text2"))->text(QAccessible::Name),
              QStringLiteral("Název"));
    for (const auto& [button, window] :
         {std::pair{"Command1", "Form2"}, std::pair{"Command3", "Form3"}, std::pair{"Command2", "Form4"},
          std::pair{"Command9", "frmAbout"}, std::pair{"Command6", "Form5"}}) {
        gui::click(child<QPushButton>(form.get(), button));
        QWidget* opened = form->windows().find(QString::fromLatin1(window));
        ASSERT_NE(opened, nullptr) << window;
        EXPECT_EQ(unnamedControls(opened), QStringList());
        // Nothing sits on a frame's title.
        for (QWidget* shown : {opened, static_cast<QWidget*>(form.get())})
            for (QGroupBox* frame : shown->findChildren<QGroupBox*>())
                for (QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    EXPECT_GE(control->y(), frame->contentsRect().top()) << control->objectName().toStdString();
    }

    QWidget* f3 = form->windows().find(QStringLiteral("Form3"));
    QWidget* f4 = form->windows().find(QStringLiteral("Form4"));
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

// Twin controls of the two lists are told apart by name, grid columns are announced in
// Czech, grids are picked from the keyboard, and Qt's own buttons speak Czech.
TEST_F(MainWindowFixture, KeyboardAndScreenReaderReachEveryListInCzech)
{
    QStringList names;
    for (QWidget* control : form->findChildren<QWidget*>())
        if (control->focusPolicy() != Qt::NoFocus && control->isVisibleTo(form.get()) &&
            !control->objectName().isEmpty() && !control->objectName().startsWith(QLatin1String("qt_")))
            names << QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    QStringList twins = names;
    for (const QString& name : QSet<QString>(names.begin(), names.end()))
        twins.removeOne(name);
    EXPECT_EQ(twins, QStringList());
    EXPECT_TRUE(names.contains(QStringLiteral("Hledat lidi")) && names.contains(QStringLiteral("Smazat CD")));
    EXPECT_EQ(child<QPushButton>(form.get(), "Command4")->text(), QStringLiteral("Smazat")) << "captions stay";
    auto* people = child<QTableView>(form.get(), "MSFlexGrid2");
    QStringList columns; // announced whether or not the header row is shown
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(people);
    for (int i = 0; i < grid->childCount() && columns.size() < 3; ++i)
        if (grid->child(i)->role() == QAccessible::ColumnHeader)
            columns << grid->child(i)->text(QAccessible::Name);
    EXPECT_EQ(columns, QStringList({"ID člověka", "Jméno", "Příjmení"}));

    // Arrow keys move, Enter picks; Tab leaves the grid in one press, in reading order.
    people->setFocus();
    QTest::keyClick(people, Qt::Key_Down);
    EXPECT_EQ(shown("Text9"), QString()) << "moving is not picking";
    QTest::keyClick(people, Qt::Key_Return);
    EXPECT_EQ(shown("Text9"), QString::number(jan));
    QTest::keyClick(people, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(form.get(), "TxtHledejLidi"));
    QStringList order;
    for (QWidget* w = child<QWidget>(form.get(), "TxtHledejCd"); order.size() < 6; w = w->nextInFocusChain())
        if (w->isVisibleTo(form.get()) && w->focusPolicy() != Qt::NoFocus)
            order << w->objectName();
    EXPECT_EQ(order, QStringList(
                         {"TxtHledejCd", "CmbZobrazVseCd", "OptVzestupneCd", "OptSestupneCd", "CmbSetridCd", "Text1"}));

    // Space picks in the return window's grid too; its question has Czech buttons.
    gui::click(child<QPushButton>(form.get(), "Command1"));
    QWidget* f2 = form->windows().find(QStringLiteral("Form2"));
    activate(f2);
    auto* loans = child<QTableView>(f2, "MSFlexGrid1");
    loans->setFocus();
    QTest::keyClick(loans, Qt::Key_Space);
    EXPECT_FALSE(child<QLineEdit>(f2, "Text1")->text().isEmpty());
    DialogAnswerer answerer;
    answerer.answer(QMessageBox::No);
    gui::click(child<QPushButton>(f2, "Command2"));
    ASSERT_FALSE(answerer.shown().isEmpty());
    EXPECT_EQ(answerer.shown().first().buttonTexts, QStringList({"Ano", "Ne"}));
}

// Enter presses the focused button of every window (keypad Enter too), Escape goes back as
// "ZPĚT" does, "Editovat" puts the user in the first box edited, and Enter at a delete
// question answers "Ne".
TEST_F(MainWindowFixture, EnterPressesEscapeGoesBackAndTheFocusFollowsTheWork)
{
    for (const auto& [button, name] : {std::pair{"Command1", "Form2"}, std::pair{"Command6", "Form5"},
                                       std::pair{"Command3", "Form3"}, std::pair{"Command2", "Form4"}})
        for (const bool escape : {true, false}) {
            QPointer<QWidget> window = open(button, name);
            activate(window);
            if (escape) {
                QTest::keyClick(window->focusWidget() ? window->focusWidget() : window.data(), Qt::Key_Escape);
            } else {
                for (QPushButton* back : window->findChildren<QPushButton*>())
                    if (back->text() == QStringLiteral("ZPĚT")) {
                        back->setFocus();
                        QTest::keyClick(back, Qt::Key_Enter, Qt::KeypadModifier);
                    }
            }
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(window.isNull()) << name << (escape ? ": Escape" : ": Enter");
        }

    activate(form.get());
    pickCd(QStringLiteral("Kytice"));
    auto* edit = child<QPushButton>(form.get(), "Command10");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(form->focusWidget(), child<QWidget>(form.get(), "Text2"));
    press(form.get(), "Command11");
    pickPerson(QStringLiteral("Novák"));
    press(form.get(), "Command12");
    EXPECT_EQ(form->focusWidget(), child<QWidget>(form.get(), "Text10"));
    press(form.get(), "Command13");

    pickCd(QStringLiteral("Kytice"));
    DialogAnswerer answerer;
    answerer.pressEnter();
    gui::click(child<QPushButton>(form.get(), "Command4"));
    EXPECT_EQ(answerer.summary().value(1), QStringLiteral("Mazání záznamu: Mazání bylo přerušeno"));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd WHERE idcd = %1").arg(kytice)), QStringLiteral("1"));
}

// A screen reader hears each drop-down by its label, then its value; windows as frames; no
// hidden control; a pick keeps the current cell on the row picked; a cut loan cell ends in
// "…" and shows its whole text as a tooltip.
TEST_F(MainWindowFixture, AScreenReaderHearsWhatIsShownAndWhatIsPicked)
{
    auto label = [](QWidget* control) {
        const auto labels = QAccessible::queryAccessibleInterface(control)->relations(QAccessible::Label);
        return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
    };
    std::function<QStringList(QAccessibleInterface*)> tree = [&tree](QAccessibleInterface* node) {
        QStringList names;
        for (int i = 0; i < node->childCount(); ++i)
            if (QAccessibleInterface* child = node->child(i); child && child->object()) {
                names << child->object()->objectName();
                if (!qobject_cast<QAbstractItemView*>(child->object()))
                    names << tree(child);
            }
        return names;
    };
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(label(child<QWidget>(form.get(), "Combo3")), QStringLiteral("Typ obsahu k filtrování"));
    QStringList shown = tree(window);
    EXPECT_TRUE(shown.contains(QStringLiteral("Text4")) && !shown.contains(QStringLiteral("Combo2")) &&
                !shown.contains(QStringLiteral("Command11")));

    pickCd(QStringLiteral("Kytice"));
    press(form.get(), "Command10");
    EXPECT_EQ(label(child<QWidget>(form.get(), "Combo2")), QStringLiteral("Typ disku"));
    EXPECT_EQ(label(child<QWidget>(form.get(), "Combo1")), QStringLiteral("Typ obsahu"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(child<QWidget>(form.get(), "Combo1"))->text(QAccessible::Value),
              QStringLiteral("Hudba"));
    shown = tree(window);
    EXPECT_TRUE(!shown.contains(QStringLiteral("Text4")) && shown.contains(QStringLiteral("Combo2")));
    press(form.get(), "Command11");

    auto* people = child<QTableView>(form.get(), "MSFlexGrid2");
    people->setFocus();
    QTest::keyClick(people, Qt::Key_Down);
    QTest::keyClick(people, Qt::Key_Down);
    const QString picked = people->currentIndex().siblingAtColumn(2).data().toString();
    QTest::keyClick(people, Qt::Key_Return); // the list is read anew: the picked person alone
    ASSERT_TRUE(people->currentIndex().isValid()) << "the pick leaves the current cell on the row picked";
    EXPECT_EQ(people->currentIndex().siblingAtColumn(2).data().toString(), picked);
    EXPECT_TRUE(people->selectionModel()->isRowSelected(people->currentIndex().row(), {}));

    const QString note = QStringLiteral("vrátí až po prázdninách, připomenout v září ").repeated(3);
    reg.addLoan(babicka, jan, note);
    QWidget* f2 = open("Command1", "Form2");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(f2)->role(), QAccessible::Window);
    auto* loans = child<QTableView>(f2, "MSFlexGrid1");
    EXPECT_EQ(loans->textElideMode(), Qt::ElideRight);
    const QRect cell = loans->visualRect(loans->model()->index(gui::rowOf(loans, 5, note), 5));
    QHelpEvent hover(QEvent::ToolTip, cell.center(), loans->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(loans->viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), note);
}
