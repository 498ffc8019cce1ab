// Soubor ▸ Koš…: what the window deleted waits there with its day and loans, comes back with
// its own id and loans, and goes for good only after a question.
#include "dialog_answerer.h"
#include "main_menu/flows.h"
#include "menu_fixture.h"
#include "qt_printers.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

namespace {

// The trash's rows as shown, a row a line ("disk|Kytice|2"), the day left out.
QStringList listed(QWidget* dialog)
{
    auto* grid = child<QTableWidget>(dialog, "Polozky");
    QStringList rows;
    for (int row = 0; row < grid->rowCount(); ++row)
        rows << QStringList{grid->item(row, 1)->text(), grid->item(row, 2)->text(), grid->item(row, 3)->text()}.join(
            u'|');
    return rows;
}

} // namespace

TEST_F(MainMenu, TheTrashListsWhatWasDeletedAndPutsItBackWithItsLoans)
{
    const auto everything = [this] {
        QStringList all;
        for (const char* table : {"cd", "lide", "pujcovani"})
            all << reg.rows(QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table)));
        return all;
    };
    const QStringList before = everything();
    {
        DialogAnswerer answerer;
        answerer.answer(QMessageBox::Yes);
        answerer.pressEnter();
        pickCd(QStringLiteral("Kytice"));
        gui::click(child<QPushButton>(form.get(), "Command4")); // the CD panel's Smazat
        answerer.answer(QMessageBox::Yes);
        answerer.pressEnter();
        pickPerson(QStringLiteral("Malá"));
        gui::click(child<QPushButton>(form.get(), "Command5")); // the people panel's Smazat
    }
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 2"));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM pujcovani")), QStringLiteral("0"));

    DialogAnswerer answerer;
    answerer.answer(QMessageBox::No);  // Smazat natrvalo? No
    answerer.pressEnter();             // "… je zpět v evidenci"
    answerer.answer(QMessageBox::Yes); // Vysypat koš? Yes
    QStringList seen;
    DialogScript script({{QStringLiteral("Kos"), [&](QWidget* dialog) {
                              seen << listed(dialog).join(u';');
                              gui::click(child<QPushButton>(dialog, "SmazatNatrvalo")); // the newest: Eva
                              seen << listed(dialog).join(u';');
                              // Kytice brings Eva back, whose loan of Kytice waits with it.
                              child<QTableWidget>(dialog, "Polozky")->selectRow(1);
                              gui::click(child<QPushButton>(dialog, "Obnovit"));
                              seen << listed(dialog).join(u';');
                              EXPECT_EQ(everything(), before) << "back byte for byte, ids too";
                              EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 3"));
                              EXPECT_EQ(heading("LblNadpis2"), QStringLiteral("Seznam lidí - 3"));
                              EXPECT_FALSE(child<QPushButton>(dialog, "Vysypat")->isEnabled());
                              // The days kept, typed into their box as a user types them; kept at once.
                              auto* days = child<QSpinBox>(dialog, "Dni");
                              EXPECT_EQ(days->value(), 30);
                              QTest::keyClick(days, Qt::Key_A, Qt::ControlModifier);
                              QTest::keyClicks(days, QStringLiteral("45"));
                              EXPECT_EQ(mainmenu::trashDays(), 45);
                              gui::click(child<QPushButton>(dialog, "Zavrit"));
                          }}});
    // Soubor ▸ Koš… by its accelerator, as a Czech keyboard types it.
    chooseFromFile({});
    QKeyEvent scaron(QEvent::KeyPress, 0x160, Qt::NoModifier, QStringLiteral("š"));
    QApplication::sendEvent(QApplication::activePopupWidget(), &scaron);
    EXPECT_EQ(script.taken(), 1u);
    EXPECT_EQ(seen, QStringList({QStringLiteral("člověk|Eva Malá|1;disk|Kytice|2"),
                                 QStringLiteral("člověk|Eva Malá|1;disk|Kytice|2"), QString()}));
    EXPECT_EQ(answerer.summary(),
              QStringList({QStringLiteral("Koš: Smazat „Eva Malá“ natrvalo? Obnovit to už nepůjde."),
                           QStringLiteral("Koš: „Kytice“ je zpět v evidenci, a s ním kvůli výpůjčkám i: Eva Malá.")}));
}
