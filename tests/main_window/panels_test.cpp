// The CD list panel and the people list panel: search, filter, sort, pick and paging.
#include "main_window_fixture.h"
#include "qt_printers.h"
#include "ui_common/messages.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace {

// Discs sharing a name, typed and flagged, and people with every field, instead of the usual rows.
class Panels : public MainWindowFixture
{
protected:
    void addData() override
    {
        const struct
        {
            const char* name;
            const char* type;
            int original, withdrawn;
        } discs[] = {{"Kytice", "Hudba", 1, 0}, {"Kytice", "Hudba", 0, 1},      {"Kytice", "Ostatní", 1, 1},
                     {"Babička", "Hry", 0, 0},  {"Tom's Diner", "Hudba", 1, 0}, {"Černá labuť", "Filmy", 0, 0},
                     {"Doom", "Hry", 1, 0}};
        std::vector<qint64> ids;
        for (const auto& disc : discs)
            ids.push_back(addCd(disc.name, disc.type, disc.original, disc.withdrawn));
        kytice1 = ids[0];
        kytice2 = ids[1];
        kytice3 = ids[2];
        reg.exec(QStringLiteral("INSERT INTO cd (nazev, typobsahu) VALUES (NULL, NULL)"));
        for (const auto& [first, last] : {std::pair{"Jan", "Novák"}, {"Eva", "Janková"}, {"Petr", "Svoboda"}})
            reg.addPerson(QString::fromUtf8(first), QString::fromUtf8(last));
        sarka = reg.addPerson(QStringLiteral("Šárka"), QStringLiteral("Černá"));
        reg.exec(QStringLiteral("UPDATE lide SET telefon = '777 123 456', email = 'sarka@example.cz', "
                                "poznamka = 'vrací včas' WHERE idcloveka = %1")
                     .arg(sarka));
        stored = reg.rows(QStringLiteral("SELECT * FROM cd")) + reg.rows(QStringLiteral("SELECT * FROM lide"));
    }

    void TearDown() override
    {
        form.reset();
        EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM cd")) + reg.rows(QStringLiteral("SELECT * FROM lide")), stored)
            << "browsing the lists changed stored data";
        EXPECT_TRUE(answerer.shown().isEmpty()) << answerer.summary().join(QLatin1Char('\n')).toStdString();
    }

    qint64 addCd(const char* name, const char* type, int original, int withdrawn)
    {
        const qint64 id = reg.addCd(QString::fromUtf8(name), QString::fromUtf8(type));
        reg.exec(QStringLiteral("UPDATE cd SET original = %1, vyrazeno = %2, popis = 'popis %3' WHERE idcd = %3")
                     .arg(original)
                     .arg(withdrawn)
                     .arg(id));
        return id;
    }

    QWidget* w() { return form.get(); }
    bool visible(const char* name) { return child<QWidget>(w(), name)->isVisible(); }
    QTableView* cds() { return child<QTableView>(w(), "MSFlexGrid1"); }
    QTableView* people() { return child<QTableView>(w(), "MSFlexGrid2"); }
    QLineEdit* cdSearch() { return child<QLineEdit>(w(), "TxtHledejCd"); }
    QLineEdit* peopleSearch() { return child<QLineEdit>(w(), "TxtHledejLidi"); }

    DialogAnswerer answerer; // no panel action shows a message
    QStringList stored;
    qint64 kytice1 = 0, kytice2 = 0, kytice3 = 0, sarka = 0;
};

} // namespace

TEST_F(Panels, TypingNarrowsTheCdListAndDeletingWidensIt)
{
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 8"));
    gui::type(cdSearch(), QStringLiteral("o"));
    EXPECT_EQ(gui::column(cds(), 1), QStringList({"Doom", "Tom's Diner"}));
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 2"));
    gui::type(cdSearch(), QStringLiteral("M"));
    EXPECT_EQ(gui::column(cds(), 1), QStringList({"Doom", "Tom's Diner"}));
    gui::type(cdSearch(), QStringLiteral("'"));
    EXPECT_EQ(gui::column(cds(), 1), QStringList({"Tom's Diner"}));
    EXPECT_EQ(shown("Text1"), QString());

    gui::backspace(cdSearch(), 3);
    // An empty search lists every disc that has a name.
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 7"));

    gui::type(cdSearch(), QStringLiteral("ČERNÁ"));
    EXPECT_EQ(gui::column(cds(), 1), QStringList({"Černá labuť"}));
    cdSearch()->clear();
    gui::type(cdSearch(), QStringLiteral("xyz%"));
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 0"));
    EXPECT_EQ(cds()->model()->rowCount(), 0);
    // A click where no row is picks nothing.
    QTest::mouseClick(cds()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 0"));
}

TEST_F(Panels, PickingANameOfThreeCdsPagesThroughThemAndBeepsAtTheEnds)
{
    pickCd(QStringLiteral("Kytice"));
    EXPECT_EQ(gui::column(cds(), 1), QStringList({"Kytice", "Kytice", "Kytice"}));
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 3"));
    EXPECT_TRUE(visible("CmbDalsi"));
    EXPECT_TRUE(visible("CmbPredchozi"));
    EXPECT_EQ(shown("Text1"), QString::number(kytice1));
    EXPECT_EQ(child<QPlainTextEdit>(w(), "Text2")->toPlainText(), QStringLiteral("Kytice"));
    EXPECT_EQ(shown("Text5"), QStringLiteral("Hudba"));
    EXPECT_EQ(child<QPlainTextEdit>(w(), "Text8")->toPlainText(), QStringLiteral("popis %1").arg(kytice1));
    EXPECT_EQ(shown("Text7"), QStringLiteral("Ano")); // original
    EXPECT_EQ(shown("Text6"), QStringLiteral("Ne"));  // withdrawn

    const int beeps = messages::beepCount();
    gui::click(child<QPushButton>(w(), "CmbPredchozi"));
    EXPECT_EQ(messages::beepCount(), beeps + 1);
    EXPECT_EQ(shown("Text1"), QString::number(kytice1));

    gui::click(child<QPushButton>(w(), "CmbDalsi"));
    EXPECT_EQ(shown("Text1"), QString::number(kytice2));
    EXPECT_EQ(shown("Text7"), QStringLiteral("Ne"));
    EXPECT_EQ(shown("Text6"), QStringLiteral("Ano"));
    gui::click(child<QPushButton>(w(), "CmbDalsi"));
    EXPECT_EQ(shown("Text1"), QString::number(kytice3));
    EXPECT_EQ(shown("Text5"), QStringLiteral("Ostatní"));
    gui::click(child<QPushButton>(w(), "CmbDalsi"));
    EXPECT_EQ(messages::beepCount(), beeps + 2);
    EXPECT_EQ(shown("Text1"), QString::number(kytice3));
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 3"));

    // "Setřiď" returns the panel to the list over the same rows.
    gui::click(child<QPushButton>(w(), "CmbSetridCd"));
    EXPECT_EQ(shown("Text1"), QString());
    EXPECT_EQ(shown("Text7"), QString());
    EXPECT_FALSE(visible("CmbDalsi"));
    EXPECT_FALSE(visible("CmbPredchozi"));
    EXPECT_EQ(cds()->model()->rowCount(), 3);

    // Picking a name held by one CD shows no paging.
    gui::click(child<QPushButton>(w(), "CmbZobrazVseCd"));
    pickCd(QStringLiteral("Doom"));
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 1"));
    EXPECT_FALSE(visible("CmbDalsi"));
    EXPECT_EQ(shown("Text3"), QStringLiteral("1"));
}

TEST_F(Panels, SortDirectionTakesEffectAtTheNextSort)
{
    const QStringList ascending = {"", "Babička", "Černá labuť", "Doom", "Kytice", "Kytice", "Kytice", "Tom's Diner"};
    EXPECT_EQ(gui::column(cds(), 1), ascending);
    gui::click(child<QRadioButton>(w(), "OptSestupneCd"));
    EXPECT_EQ(gui::column(cds(), 1), ascending);
    gui::click(child<QPushButton>(w(), "CmbSetridCd"));
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(gui::column(cds(), 1), descending);
    gui::click(child<QRadioButton>(w(), "OptVzestupneCd"));
    gui::type(cdSearch(), QStringLiteral("i"));
    EXPECT_EQ(gui::column(cds(), 1), QStringList({"Babička", "Kytice", "Kytice", "Kytice", "Tom's Diner"}));
}

TEST_F(Panels, FilterReplacesTheSearchButLeavesItsText)
{
    gui::type(cdSearch(), QStringLiteral("Kyt"));
    auto* filter = child<QComboBox>(w(), "Combo3");
    filter->setCurrentIndex(filter->findText(QStringLiteral("Hry")));
    gui::click(child<QPushButton>(w(), "Command14"));
    EXPECT_EQ(gui::column(cds(), 1), QStringList({"Babička", "Doom"}));
    EXPECT_EQ(cdSearch()->text(), QStringLiteral("Kyt"));

    filter->setCurrentIndex(0); // "Zobrazit vše"
    gui::click(child<QPushButton>(w(), "Command14"));
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 8"));

    // Nothing chosen: every CD that has a content type.
    filter->setCurrentIndex(-1);
    gui::click(child<QPushButton>(w(), "Command14"));
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 7"));

    // "Zobraz vše" empties the search box, which searches again with the empty text.
    gui::click(child<QPushButton>(w(), "CmbZobrazVseCd"));
    EXPECT_EQ(cdSearch()->text(), QString());
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 7"));
}

TEST_F(Panels, PeopleAreFoundByEitherNameAndPickedByTheirRow)
{
    EXPECT_EQ(heading("LblNadpis2"), QStringLiteral("Seznam lidí - 4"));
    gui::type(peopleSearch(), QStringLiteral("jan"));
    EXPECT_EQ(gui::column(people(), 1), QStringList({"Eva", "Jan"}));
    EXPECT_EQ(heading("LblNadpis2"), QStringLiteral("Seznam lidí - 2"));
    gui::click(child<QPushButton>(w(), "CmbZobrazVseLide"));
    EXPECT_EQ(peopleSearch()->text(), QString());
    EXPECT_EQ(heading("LblNadpis2"), QStringLiteral("Seznam lidí - 4"));

    gui::type(peopleSearch(), QStringLiteral("čer"));
    ASSERT_EQ(gui::column(people(), 2), QStringList({"Černá"}));
    gui::clickCell(people(), 0, 2); // the surname
    EXPECT_EQ(heading("LblNadpis2"), QStringLiteral("Seznam Lidí - 1"));
    EXPECT_EQ(shown("Text9"), QString::number(sarka));
    EXPECT_EQ(shown("Text10"), QStringLiteral("Šárka"));
    EXPECT_EQ(shown("Text11"), QStringLiteral("Černá"));
    EXPECT_EQ(shown("Text12"), QStringLiteral("777 123 456"));
    EXPECT_EQ(shown("Text13"), QStringLiteral("sarka@example.cz"));
    EXPECT_EQ(child<QPlainTextEdit>(w(), "Text14")->toPlainText(), QStringLiteral("vrací včas"));
    EXPECT_FALSE(visible("CmbDalsiLidi"));
    EXPECT_FALSE(visible("CmbPredchoziLidi"));

    // The first name picks the same person.
    gui::clickCell(people(), 0, 1);
    EXPECT_EQ(shown("Text9"), QString::number(sarka));

    gui::click(child<QPushButton>(w(), "CmbZobrazVseLide"));
    EXPECT_EQ(gui::column(people(), 1), QStringList({"Eva", "Jan", "Petr", "Šárka"}));
    gui::click(child<QRadioButton>(w(), "OptSestupneLidi"));
    EXPECT_EQ(gui::column(people(), 1), QStringList({"Eva", "Jan", "Petr", "Šárka"})) << "unchanged until sorted";
    gui::click(child<QPushButton>(w(), "CmbSetridLidi"));
    EXPECT_EQ(gui::column(people(), 1), QStringList({"Šárka", "Petr", "Jan", "Eva"}));
    EXPECT_EQ(shown("Text9"), QString());
}
