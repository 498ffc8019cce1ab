// "HISTORIE": all loans, the loans of one CD or of one person.
#include "main_window_fixture.h"
#include "qt_printers.h"

#include <QLabel>

namespace {

class History : public MainWindowFixture
{
protected:
    QWidget* history() { return form->windows().find(QStringLiteral("Form5")); }
    QString heading() { return child<QLabel>(history(), "LblNadpis1")->text(); }
    QTableView* grid() { return child<QTableView>(history(), "MSFlexGrid1"); }
};

} // namespace

TEST_F(History, ShowsEveryLoanWithTheReturnedFlagAsTheLegendSays)
{
    EXPECT_TRUE(press(form.get(), "Command6").isEmpty());
    ASSERT_NE(history(), nullptr);
    activate(history());
    EXPECT_EQ(heading(), QStringLiteral("HISTORIE PŮJČOVÁNÍ"));
    EXPECT_EQ(gui::column(grid(), 6), QStringList({"0", "0", "-1"}));
    EXPECT_EQ(gui::column(grid(), 2), QStringList({"", "", "1.2.2026"}));
    EXPECT_EQ(gui::column(grid(), 7), QStringList({"na chatu", "", "vráceno včas"}));
}

TEST_F(History, PerCdAndPerPersonRequestsRequeryTheOpenWindowInPlace)
{
    EXPECT_EQ(press(form.get(), "Command7"), QStringList("Zobrazení historie: Není vybrán žádný záznam"));
    EXPECT_EQ(press(form.get(), "Command8"), QStringList("Zobrazení historie: Není vybrán žádný záznam"));

    pickCd(QStringLiteral("Kytice"));
    EXPECT_TRUE(press(form.get(), "Command7").isEmpty());
    QWidget* window = history();
    ASSERT_NE(window, nullptr);
    activate(window);
    EXPECT_EQ(heading(), QStringLiteral("HISTORIE PRO CD - Kytice"));
    EXPECT_EQ(gui::column(grid(), 4), QStringList({"Novák", "Malá"}));

    activate(form.get());
    pickPerson(QStringLiteral("Malá"));
    EXPECT_TRUE(press(form.get(), "Command8").isEmpty());
    EXPECT_EQ(history(), window);
    EXPECT_EQ(heading(), QStringLiteral("HISTORIE PRO ČLOVĚKA - Eva Malá"));
    EXPECT_EQ(gui::column(grid(), 5), QStringList({"Babička", "Kytice"}));

    // The whole history after a filtered one shows every loan again.
    EXPECT_TRUE(press(form.get(), "Command6").isEmpty());
    EXPECT_EQ(heading(), QStringLiteral("HISTORIE PŮJČOVÁNÍ"));
    EXPECT_EQ(grid()->model()->rowCount(), 3);
}

TEST_F(History, NeverLentLeavesNoWindowBehind)
{
    pickCd(QStringLiteral("Nikdy nepůjčené"));
    EXPECT_EQ(press(form.get(), "Command7"), QStringList("Zobrazení historie: Toto CD zatím neměl nikdo půjčené"));
    EXPECT_EQ(history(), nullptr);
    pickPerson(QStringLiteral("Svoboda"));
    EXPECT_EQ(press(form.get(), "Command8"), QStringList("Zobrazení historie: Tento člověk zatím neměl nic půjčeno"));
    EXPECT_EQ(history(), nullptr);

    // An open history is left as it was.
    EXPECT_TRUE(press(form.get(), "Command6").isEmpty());
    EXPECT_EQ(press(form.get(), "Command8"), QStringList("Zobrazení historie: Tento člověk zatím neměl nic půjčeno"));
    EXPECT_EQ(heading(), QStringLiteral("HISTORIE PŮJČOVÁNÍ"));
    EXPECT_EQ(grid()->model()->rowCount(), 3);
}

// The loan lists keep the widths they are laid out with, yet a whole date (two-digit day
// and month) and an id up to 9999 show uncut in whatever font the desktop draws with.
TEST_F(History, WholeDatesAndFourDigitIdsShowUncut)
{
    reg.exec(QStringLiteral("UPDATE sqlite_sequence SET seq = 9998 WHERE name = 'pujcovani'"));
    const qint64 loan = reg.addLoan(kytice, eva);
    reg.exec(QStringLiteral("UPDATE pujcovani SET datumpujceni = '2026-10-28' WHERE idvypujcky = %1; "
                            "UPDATE pujcovani SET vraceno = 1, datumvraceni = '2026-11-24' WHERE idvypujcky = %2")
                 .arg(loan)
                 .arg(returned));
    ASSERT_EQ(loan, 9999);
    EXPECT_TRUE(press(form.get(), "Command6").isEmpty());
    QWidget* f2 = open("Command1", "Form2");
    for (auto [window, dates] : {std::pair{history(), QList<int>{1, 2}}, std::pair{f2, QList<int>{1}}}) {
        activate(window);
        auto* loans = child<QTableView>(window, "MSFlexGrid1");
        for (int column : QList<int>{0} + dates)
            for (int row = 0; row < loans->model()->rowCount(); ++row) {
                const QModelIndex cell = loans->model()->index(row, column);
                const QString text = cell.data().toString();
                EXPECT_LE(loans->fontMetrics().horizontalAdvance(text), loans->visualRect(cell).width() - 2)
                    << window->objectName().toStdString() << " " << text.toStdString();
            }
        EXPECT_TRUE(gui::column(loans, 0).contains(QStringLiteral("9999")));
        EXPECT_TRUE(gui::column(loans, 1).contains(QStringLiteral("28.10.2026")));
    }
}
