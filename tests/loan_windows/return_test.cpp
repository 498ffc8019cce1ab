// "VRÁCENÍ PŮJČENÝCH CD": the list of unreturned loans and the return.
#include "main_window_fixture.h"
#include "qt_printers.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>

namespace {

class Return : public MainWindowFixture
{
protected:
    QWidget* openReturns()
    {
        QWidget* window = open("Command1", "Form2");
        activate(window);
        return window;
    }
};

} // namespace

TEST_F(Return, ListsUnreturnedLoansAndReturnsThePickedOne)
{
    QWidget* f2 = openReturns();
    auto* grid = child<QTableView>(f2, "MSFlexGrid1");
    EXPECT_EQ(child<QLabel>(f2, "LblNadpis")->text(), QStringLiteral("Počet nevrácených CD - 2"));
    EXPECT_EQ(gui::column(grid, 1), QStringList({"15.1.2026", "15.1.2026"}));
    EXPECT_EQ(gui::column(grid, 7), QStringList({"0", "0"}));

    // Answered No: nothing stored, the list re-queried and the fields cleared.
    gui::clickCell(grid, gui::rowOf(grid, 3, QStringLiteral("Novák")), 4);
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(child<QLineEdit>(f2, "Text1")->text(), QStringLiteral("15.1.2026"));
    EXPECT_EQ(child<QLineEdit>(f2, "Text5")->text(), QStringLiteral("Kytice"));
    EXPECT_EQ(child<QPlainTextEdit>(f2, "Text4")->toPlainText(), QStringLiteral("na chatu"));
    const QString question = QStringLiteral("Vrácení CD: Potvrdit vrácení cd.\nNázev: Kytice\nOd: Jan Novák");
    EXPECT_EQ(press(f2, "Command2", {QMessageBox::No}), QStringList(question));
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(child<QLineEdit>(f2, "Text1")->text(), QString());
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM nevracenecd")), QStringLiteral("2"));

    // Answered Yes: the loan is returned today and leaves the list; nothing else changes.
    const QStringList others =
        reg.rows(QStringLiteral("SELECT * FROM pujcovani WHERE idvypujcky <> %1").arg(janKytice)) +
        reg.rows(QStringLiteral("SELECT * FROM cd")) + reg.rows(QStringLiteral("SELECT * FROM lide"));
    gui::clickCell(grid, gui::rowOf(grid, 3, QStringLiteral("Novák")), 0);
    EXPECT_EQ(press(f2, "Command2", {QMessageBox::Yes, QMessageBox::Ok}),
              QStringList({question, QStringLiteral("Vrácení CD: CD bylo vráceno")}));
    EXPECT_EQ(undoText(), QStringLiteral("Zpět: vrácení disku Kytice"));
    EXPECT_EQ(
        reg.rows(QStringLiteral("SELECT * FROM pujcovani WHERE idvypujcky = %1").arg(janKytice)),
        QStringList(
            QStringLiteral("%1|2026-01-15|%2|%3|na chatu|1|1|%4").arg(janKytice).arg(kytice).arg(jan).arg(today())));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM pujcovani WHERE idvypujcky <> %1").arg(janKytice)) +
                  reg.rows(QStringLiteral("SELECT * FROM cd")) + reg.rows(QStringLiteral("SELECT * FROM lide")),
              others);
    EXPECT_EQ(gui::column(grid, 3), QStringList({"Malá"}));
    EXPECT_EQ(child<QLabel>(f2, "LblNadpis")->text(), QStringLiteral("Počet nevrácených CD - 2"))
        << "the count changes only at the next activation";
    activate(form.get());
    activate(f2);
    EXPECT_EQ(child<QLabel>(f2, "LblNadpis")->text(), QStringLiteral("Počet nevrácených CD - 1"));
}

// A disc with loans deleted while the list is open (in the main window, say): the rows of
// pages not read yet never show empty; the list is read anew under its own headings.
TEST_F(Return, ADiscDeletedWhileTheListIsOpenLeavesNoEmptyRow)
{
    const qint64 disc = reg.addCd(QStringLiteral("Zbytek"));
    for (int i = 0; i < 300; ++i)
        reg.addLoan(i % 2 ? kytice : disc, jan);
    QWidget* f2 = openReturns();
    auto* grid = child<QTableView>(f2, "MSFlexGrid1");
    reg.exec(QStringLiteral("DELETE FROM cd WHERE idcd = %1").arg(disc));
    (void)gui::column(grid, 4); // scrolled through: a page finds its loans gone
    QApplication::processEvents();
    const QStringList names = gui::column(grid, 4);
    EXPECT_EQ(names.size(), 152);
    EXPECT_FALSE(names.contains(QString()) || names.contains(QStringLiteral("Zbytek")));
    EXPECT_EQ(grid->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Název disku"));
}

TEST_F(Return, RefusesWhenNoLoanIsShown)
{
    QWidget* f2 = openReturns();
    auto* grid = child<QTableView>(f2, "MSFlexGrid1");
    // Nothing looks picked before a pick: not on opening, not when the arrow keys move about.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_FALSE(grid->selectionModel()->hasSelection());
    gui::clickCell(grid, 0, 2);
    gui::click(child<QPushButton>(f2, "Command1")); // "Zobraz vše"
    EXPECT_FALSE(grid->selectionModel()->hasSelection());
    EXPECT_EQ(press(f2, "Command2"), QStringList("Chyba: Není vybrána žádná výpujčka"));

    // Back from the main window the fields are cleared, though the grid still shows the one loan.
    gui::clickCell(grid, 0, 2);
    activate(form.get());
    activate(f2);
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(child<QLabel>(f2, "LblNadpis")->text(), QStringLiteral("Počet nevrácených CD - 1"));
    EXPECT_EQ(press(f2, "Command2"), QStringList("Chyba: Není vybrána žádná výpujčka"));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM nevracenecd")), QStringLiteral("2"));

    // With nothing left to return the grid shows only its header row.
    reg.exec(QStringLiteral("UPDATE pujcovani SET vraceno = 1, datumvraceni = '2026-03-01'"));
    gui::click(child<QPushButton>(f2, "Command1"));
    activate(form.get());
    activate(f2);
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_EQ(child<QLabel>(f2, "LblNadpis")->text(), QStringLiteral("Počet nevrácených CD - 0"));
    QPointer<QWidget> closing = f2;
    gui::click(child<QPushButton>(f2, "Command3"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
}
