// "PŮJČIT": the note, the confirmation and the stored loan.
#include "main_window_fixture.h"
#include "qt_printers.h"

#include <QLabel>

namespace {

class Lending : public MainWindowFixture
{
protected:
    QStringList loans()
    {
        return reg.rows(QStringLiteral("SELECT idcd, idcloveka, datumpujceni, poznamka, iduzivatele, vraceno, "
                                       "datumvraceni FROM pujcovani WHERE idvypujcky > %1")
                            .arg(returned));
    }
};

} // namespace

TEST_F(Lending, RefusesWithoutACdThenWithoutAPerson)
{
    EXPECT_EQ(press(form.get(), "CmbPujcit"), QStringList("Chyba: Není vybráno žádné CD"));
    pickPerson(QStringLiteral("Novák"));
    EXPECT_EQ(press(form.get(), "CmbPujcit"), QStringList("Chyba: Není vybráno žádné CD"));
    gui::click(child<QPushButton>(form.get(), "CmbSetridLidi")); // empties the people panel
    pickCd(QStringLiteral("Kytice"));
    EXPECT_EQ(press(form.get(), "CmbPujcit"), QStringList("Chyba: Není vybráno žádný člověk"));
    EXPECT_TRUE(loans().isEmpty());
}

TEST_F(Lending, StoresTheLoanWithTheNoteAndResetsBothLists)
{
    child<QLineEdit>(form.get(), "TxtHledejCd")->setText(QStringLiteral("Kyt"));
    pickCd(QStringLiteral("Kytice"));
    pickPerson(QStringLiteral("Svoboda"));
    const QStringList shownBoxes = press(form.get(), "CmbPujcit", {QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Ok},
                                         {{QStringLiteral("vrátí v pondělí"), true}});
    EXPECT_EQ(shownBoxes,
              QStringList({"Poznámka: Chcete ořidat k této výpujčce poznámku?", "Zadání poznámky: Zde napište poznámku",
                           "Potvrzení zadání: Jsou údaje správně?\nNázev CD: Kytice\nJméno: Petr "
                           "Svoboda\nPoznámka: vrátí v pondělí",
                           "Nová výpujčka: Vypůjčka byla úspěšně zařazena do databáze"}));
    EXPECT_EQ(loans(),
              QStringList(QStringLiteral("%1|%2|%3|vrátí v pondělí|1|0|NULL").arg(kytice).arg(nobody).arg(today())));

    EXPECT_EQ(child<QLabel>(form.get(), "LblNadpis1")->text(), QStringLiteral("Seznam CD - 3"));
    EXPECT_EQ(child<QLabel>(form.get(), "LblNadpis2")->text(), QStringLiteral("Seznam lidí - 3"));
    EXPECT_EQ(shown("TxtHledejCd"), QString());
    EXPECT_EQ(shown("Text1"), QString());
    EXPECT_EQ(shown("Text9"), QString());
    EXPECT_EQ(press(form.get(), "CmbPujcit"), QStringList("Chyba: Není vybráno žádné CD"));
}

TEST_F(Lending, CancelledOrRefusedNoteIsEmptyAndNoAtTheConfirmationStoresNothing)
{
    pickCd(QStringLiteral("Kytice"));
    pickPerson(QStringLiteral("Novák"));
    const QString confirmation =
        QStringLiteral("Potvrzení zadání: Jsou údaje správně?\nNázev CD: Kytice\nJméno: Jan Novák\nPoznámka: ");

    // A note typed and then cancelled is no note; No at the confirmation stores nothing.
    QStringList boxes =
        press(form.get(), "CmbPujcit", {QMessageBox::Yes, QMessageBox::No}, {{QStringLiteral("zahozená"), false}});
    EXPECT_EQ(boxes.last(), confirmation);
    EXPECT_TRUE(loans().isEmpty());
    EXPECT_EQ(shown("Text1"), QString::number(kytice)) << "the panels keep the CD and the person";
    EXPECT_EQ(shown("Text9"), QString::number(jan));

    // No to the note: no input box; the CD already out on loan is lent again.
    boxes = press(form.get(), "CmbPujcit", {QMessageBox::No, QMessageBox::Yes, QMessageBox::Ok});
    EXPECT_EQ(boxes.size(), 3);
    EXPECT_EQ(boxes[1], confirmation);
    EXPECT_EQ(loans(), QStringList(QStringLiteral("%1|%2|%3||1|0|NULL").arg(kytice).arg(jan).arg(today())));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM nevracenecd WHERE nazev = 'Kytice'")),
              QStringLiteral("2"));
}
