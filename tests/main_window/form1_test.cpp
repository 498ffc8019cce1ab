// The main window at start-up and whenever the user comes back to it.
#include "main_window_fixture.h"
#include "qt_printers.h"
#include "storage/register_file.h"
#include "transfer/csv_import.h"
#include "ui_common/messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>

TEST_F(MainWindowFixture, StartsWithSortedCountedListsAndEmptyPanels)
{
    QWidget* w = form.get();
    EXPECT_EQ(child<QLabel>(w, "LblNadpis1")->text(), QStringLiteral("Seznam CD - 3"));
    EXPECT_EQ(child<QLabel>(w, "LblNadpis2")->text(), QStringLiteral("Seznam lidí - 3"));
    auto* cds = child<QTableView>(w, "MSFlexGrid1");
    EXPECT_EQ(gui::column(cds, 1), QStringList({"Babička", "Kytice", "Nikdy nepůjčené"}));
    for (int column = 0; column < 8; ++column)
        EXPECT_EQ(cds->isColumnHidden(column), column != 1) << column;
    auto* people = child<QTableView>(w, "MSFlexGrid2");
    EXPECT_EQ(gui::column(people, 1), QStringList({"Eva", "Jan", "Petr"}));
    EXPECT_EQ(gui::column(people, 2), QStringList({"Malá", "Novák", "Svoboda"}));

    for (const char* name : {"Text1", "Text3", "Text4", "Text5", "Text6", "Text7", "Text9", "Text10", "Text11",
                             "Text12", "Text13", "TxtHledejCd", "TxtHledejLidi"})
        EXPECT_EQ(shown(name), QString()) << name;
    for (const char* name : {"CmbPredchozi", "CmbDalsi", "CmbPredchoziLidi", "CmbDalsiLidi", "Command11", "Command13",
                             "Check1", "Check2", "Combo1", "Combo2", "FrmPujceni"})
        EXPECT_TRUE(child<QWidget>(w, name)->isHidden()) << name;
    EXPECT_TRUE(child<QRadioButton>(w, "OptVzestupneCd")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(w, "OptVzestupneLidi")->isChecked());
    EXPECT_EQ(child<QComboBox>(w, "Combo3")->currentIndex(), -1);
    EXPECT_EQ(child<QComboBox>(w, "Combo2")->currentText(), QStringLiteral("Combo2"));
}

// Coming back from another window of the program empties both panels and keeps the lists and
// the drop-downs' items; the window's own message boxes and other applications do not count.
TEST_F(MainWindowFixture, ComingBackFromAnotherWindowEmptiesThePanels)
{
    QWidget* w = form.get();
    QWidget* other = form->windows().load<QWidget>([] { return new QWidget; });
    other->show();
    auto* filter = child<QComboBox>(w, "Combo3");
    filter->setCurrentIndex(3);
    for (int i = 0; i < 10; ++i) {
        pickCd(QStringLiteral("Kytice"));
        activate(other);
        activate(w);
        EXPECT_EQ(shown("Text1"), QString()) << "activation " << i;
    }
    EXPECT_EQ(child<QComboBox>(w, "Combo1")->count(), 8);
    EXPECT_EQ(child<QComboBox>(w, "Combo2")->count(), 9);
    EXPECT_EQ(filter->count(), 9);
    EXPECT_EQ(filter->currentIndex(), 3);
    EXPECT_EQ(child<QLabel>(w, "LblNadpis1")->text(), QStringLiteral("Seznam CD - 1")) << "the list is not queried";

    pickCd(QStringLiteral("Kytice"));
    DialogAnswerer answerer;
    QTimer::singleShot(0, [] { QApplication::setActiveWindow(QApplication::activeModalWidget()); });
    messages::information(w, QStringLiteral("Titulek"), QStringLiteral("Zpráva"));
    activate(w);
    QApplication::setActiveWindow(nullptr); // another application, then back
    activate(w);
    EXPECT_EQ(answerer.summary(), QStringList(QStringLiteral("Titulek: Zpráva")));
    EXPECT_EQ(shown("Text1"), QString::number(kytice));
}

// A list brought in from the command line while the window is open on the same register
// (another connection, as another process has): the window shows the new rows at its next query.
TEST_F(MainWindowFixture, RowsImportedMeanwhileShowAtTheNextQuery)
{
    Status status = Status::success();
    const std::unique_ptr<Database> other = openRegisterFile(reg.path(), status);
    ASSERT_TRUE(other) << status.message().toStdString();
    for (const auto& [table, file] : {std::pair{"cd", QByteArray("nazev;pocetdisku;typdisku;typobsahu\n"
                                                                 "Ábel;1;CD;Hudba\nZahrada;2;DVD;Filmy\n")},
                                      {"lide", QByteArray("jmeno;prijmeni\nAdam;Bílý\n")}}) {
        const importrows::Outcome outcome = csvimport::run(other.get(), QString::fromLatin1(table), file, {});
        ASSERT_TRUE(outcome.status.ok() && outcome.problems.empty()) << outcome.status.message().toStdString();
    }
    QWidget* w = form.get();
    EXPECT_EQ(child<QLabel>(w, "LblNadpis1")->text(), QStringLiteral("Seznam CD - 3"));
    gui::click(child<QPushButton>(w, "CmbZobrazVseCd"));
    gui::click(child<QPushButton>(w, "CmbZobrazVseLide"));
    EXPECT_EQ(child<QLabel>(w, "LblNadpis1")->text(), QStringLiteral("Seznam CD - 5"));
    EXPECT_EQ(gui::column(child<QTableView>(w, "MSFlexGrid1"), 1),
              QStringList({"Ábel", "Babička", "Kytice", "Nikdy nepůjčené", "Zahrada"}));
    EXPECT_EQ(gui::column(child<QTableView>(w, "MSFlexGrid2"), 1), QStringList({"Adam", "Eva", "Jan", "Petr"}));
}
