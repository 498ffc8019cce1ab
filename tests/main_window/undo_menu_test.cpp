// Úpravy ▸ Zpět and Znovu in the main window: named after the step they take, by the menu
// and by Ctrl+Z / Ctrl+Shift+Z; the lists show the register as the step left it; disabled
// while a record is edited; a refusal is told and changes nothing.
#include "main_window_fixture.h"
#include "qt_printers.h"
#include "storage/database.h"

#include <QAction>
#include <QFile>
#include <QMenu>

namespace {

class UndoMenu : public MainWindowFixture
{
protected:
    QAction* action(const char* name) { return form->findChild<QAction*>(QLatin1String(name)); }

    // Úpravy opened with Alt+R and the item chosen by its letter; returns the boxes shown.
    QStringList fromMenu(Qt::Key letter, std::initializer_list<QMessageBox::StandardButton> answers = {})
    {
        DialogAnswerer answerer;
        for (auto answer : answers)
            answerer.answer(answer);
        activate(form.get());
        QTest::keyClick(form.get(), Qt::Key_R, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        EXPECT_NE(menu, nullptr);
        if (menu)
            QTest::keyClick(menu, letter);
        QApplication::processEvents();
        activate(form.get()); // the menu, once closed, hands the activation back
        return answerer.summary();
    }

    QString kept(const char* table)
    {
        return reg.value(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)));
    }
};

} // namespace

TEST_F(UndoMenu, ADeletionIsTakenBackAndDoneAgainByItsName)
{
    EXPECT_FALSE(action("Zpet")->isEnabled());
    EXPECT_FALSE(action("Znovu")->isEnabled());
    EXPECT_EQ(undoText(), QStringLiteral("Zpět"));
    const QStringList before = reg.rows(QStringLiteral("SELECT * FROM pujcovani ORDER BY 1"));

    pickCd(QStringLiteral("Kytice"));
    press(form.get(), "Command4", {QMessageBox::Yes, QMessageBox::Ok});
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 2"));
    EXPECT_EQ(undoText(), QStringLiteral("Zpět: smazání disku Kytice"));
    EXPECT_EQ(action("Zpet")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(action("Znovu")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));

    // Zpět from the menu: the disc and its loans are back, the trash has it no more.
    child<QLineEdit>(form.get(), "TxtHledejLidi")->setFocus();
    gui::type(child<QLineEdit>(form.get(), "TxtHledejLidi"), QStringLiteral("Nov"));
    EXPECT_TRUE(fromMenu(Qt::Key_Z).isEmpty());
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 3"));
    EXPECT_EQ(heading("LblNadpis2"), QStringLiteral("Seznam lidí - 3")) << "both lists show every row";
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM pujcovani ORDER BY 1")), before);
    EXPECT_EQ(kept("kos"), QStringLiteral("0"));
    EXPECT_EQ(undoText("Znovu"), QStringLiteral("Znovu: smazání disku Kytice"));
    EXPECT_FALSE(action("Zpet")->isEnabled());

    // Ctrl+Shift+Z with the list focused: deleted again, into the trash again; Ctrl+Z back.
    child<QTableView>(form.get(), "MSFlexGrid1")->setFocus();
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 2"));
    EXPECT_EQ(kept("kos_pujcovani"), QStringLiteral("2"));
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM pujcovani ORDER BY 1")), before);
    EXPECT_EQ(kept("kos"), QStringLiteral("0"));
}

TEST_F(UndoMenu, IsDisabledWhileEditingAndARefusalChangesNothing)
{
    pickPerson(QStringLiteral("Malá"));
    press(form.get(), "Command5", {QMessageBox::Yes, QMessageBox::Ok});
    EXPECT_TRUE(action("Zpet")->isEnabled());

    pickCd(QStringLiteral("Kytice"));
    press(form.get(), "Command10"); // Editovat
    EXPECT_FALSE(action("Zpet")->isEnabled());
    activate(form.get());
    child<QTableView>(form.get(), "MSFlexGrid1")->setFocus();
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(kept("lide"), QStringLiteral("2")) << "nothing taken back while editing";
    press(form.get(), "Command11", {QMessageBox::Ok}); // OK
    EXPECT_TRUE(action("Zpet")->isEnabled());

    // Another program gives Eva's id to someone else: Zpět is refused and said, and leaves.
    Status status = Status::success();
    auto other = Database::connect(QFile::encodeName(reg.path()), status);
    ASSERT_TRUE(
        other->execute(QStringLiteral("INSERT INTO lide (idcloveka, jmeno, prijmeni) VALUES (?, 'Jiná', 'Eva')"), {eva})
            .ok());
    const QStringList rows = reg.rows(QStringLiteral("SELECT * FROM lide ORDER BY 1"));
    EXPECT_EQ(fromMenu(Qt::Key_Z, {QMessageBox::Ok}),
              QStringList("Zpět: „smazání člověka Eva Malá“ nelze vzít zpět: záznam se od té doby změnil (pozdější "
                          "úpravou nebo jiným programem).\nKrok byl z historie úprav odebrán."));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM lide ORDER BY 1")), rows);
    EXPECT_EQ(kept("kos"), QStringLiteral("1"));
    EXPECT_FALSE(action("Zpet")->isEnabled());
    EXPECT_FALSE(action("Znovu")->isEnabled());
}
