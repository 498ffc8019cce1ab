// Editing and deleting the CD or the person shown.
#include "main_window_fixture.h"
#include "qt_printers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>

namespace {

class Editing : public MainWindowFixture
{
protected:
    QWidget* w() { return form.get(); }
    QGroupBox* frame(const char* name) { return child<QGroupBox>(w(), name); }
    QStringList cd(qint64 id) { return reg.rows(QStringLiteral("SELECT * FROM cd WHERE idcd = %1").arg(id)); }
    void typeInto(const char* name, const QString& text)
    {
        QWidget* box = child<QWidget>(w(), name);
        if (auto* line = qobject_cast<QLineEdit*>(box))
            line->selectAll();
        else
            static_cast<QPlainTextEdit*>(box)->selectAll();
        gui::type(box, text);
    }
    // The fonts of both panels and everything in them.
    QStringList panelFonts()
    {
        QStringList fonts;
        for (QWidget* panel : {static_cast<QWidget*>(frame("CD")), static_cast<QWidget*>(frame("Lide"))}) {
            const QList<QWidget*> controls = panel->findChildren<QWidget*>() << panel;
            for (QWidget* control : controls)
                fonts << control->objectName() + QLatin1Char(' ') + control->font().toString();
        }
        return fonts;
    }
    bool usable(const char* name)
    {
        return child<QWidget>(w(), name)->isEnabledTo(w()) && child<QWidget>(w(), name)->isEnabled();
    }
};

const char* const lockedControls[] = {"MSFlexGrid1",      "MSFlexGrid2", "Frame1",        "Frame2",    "CmbZobrazVseCd",
                                      "CmbZobrazVseLide", "TxtHledejCd", "TxtHledejLidi", "Command1",  "Command2",
                                      "Command3",         "Command6",    "Command9",      "CmbPujcit", "CmbKonec"};

} // namespace

TEST_F(Editing, EditingACdLocksTheWindowAndStoresWhatThePanelShows)
{
    EXPECT_EQ(press(w(), "Command10"), QStringList("Editace záznamu: Není vybrán žádný záznam"));
    EXPECT_TRUE(usable("CmbKonec"));

    pickCd(QStringLiteral("Kytice"));
    const QStringList fontsBefore = panelFonts();
    EXPECT_TRUE(press(w(), "Command10").isEmpty());
    EXPECT_EQ(frame("CD")->title(), QStringLiteral("Informace o CD - EDITACE"));
    const QColor red(255, 0, 0);
    EXPECT_EQ(frame("CD")->palette().color(QPalette::WindowText), red);
    EXPECT_NE(child<QLabel>(w(), "Label4")->palette().color(QPalette::WindowText), red) << "only the caption is red";
    for (const char* name : lockedControls)
        EXPECT_FALSE(usable(name)) << name;
    EXPECT_FALSE(usable("Lide"));
    EXPECT_TRUE(usable("Command14")) << "the filter stays usable";
    EXPECT_TRUE(usable("Command4")) << "the CD's Smazat stays usable";
    EXPECT_TRUE(child<QLineEdit>(w(), "Text1")->isReadOnly());
    EXPECT_FALSE(child<QLineEdit>(w(), "Text3")->isReadOnly());
    EXPECT_TRUE(child<QWidget>(w(), "Combo1")->isVisible());
    EXPECT_FALSE(child<QWidget>(w(), "Text5")->isVisible());
    EXPECT_FALSE(child<QWidget>(w(), "Command7")->isVisible());
    EXPECT_EQ(child<QComboBox>(w(), "Combo1")->currentText(), QStringLiteral("Hudba"));
    EXPECT_EQ(child<QComboBox>(w(), "Combo2")->currentText(), QStringLiteral("CD"));

    typeInto("Text2", QStringLiteral("Kytice – Erben"));
    typeInto("Text3", QStringLiteral("pět"));
    auto* disc = child<QComboBox>(w(), "Combo2");
    disc->setCurrentIndex(disc->findText(QStringLiteral("DVD")));
    child<QComboBox>(w(), "Combo1")->setEditText(QStringLiteral("Mluvené slovo"));
    gui::click(child<QCheckBox>(w(), "Check2"));

    // Letters in the count: refused, still editing, nothing stored.
    const QStringList before = cd(kytice);
    EXPECT_EQ(press(w(), "Command11"), QStringList("Editace záznamu: Počet disků musí být číslo"));
    EXPECT_EQ(cd(kytice), before);
    EXPECT_TRUE(child<QWidget>(w(), "Command11")->isVisible());
    EXPECT_EQ(w()->focusWidget(), child<QWidget>(w(), "Text3")) << "the user goes on in the refused count";

    // Editovat again: the caption grows, the types are set back, the typed changes stay.
    EXPECT_TRUE(press(w(), "Command10").isEmpty());
    EXPECT_EQ(frame("CD")->title(), QStringLiteral("Informace o CD - EDITACE - EDITACE"));
    EXPECT_EQ(disc->currentText(), QStringLiteral("CD"));
    EXPECT_EQ(child<QPlainTextEdit>(w(), "Text2")->toPlainText(), QStringLiteral("Kytice – Erben"));
    disc->setCurrentIndex(disc->findText(QStringLiteral("DVD")));
    child<QComboBox>(w(), "Combo1")->setEditText(QStringLiteral("Mluvené slovo"));

    // Coming back from another window keeps the edit in progress.
    QWidget* other = form->windows().load<QWidget>([] { return new QWidget; });
    activate(other);
    activate(w());
    EXPECT_EQ(child<QPlainTextEdit>(w(), "Text2")->toPlainText(), QStringLiteral("Kytice – Erben"));
    EXPECT_TRUE(child<QWidget>(w(), "Command11")->isVisible());

    typeInto("Text3", QStringLiteral("1e1"));
    EXPECT_EQ(press(w(), "Command11"), QStringList("Editace záznamu: Záznam byl změněn"));
    EXPECT_EQ(cd(kytice), QStringList(QStringLiteral("%1|Kytice – Erben|10|DVD|Mluvené slovo||0|1").arg(kytice)));
    EXPECT_EQ(frame("CD")->title(), QStringLiteral("Informace o CD"));
    EXPECT_NE(frame("CD")->palette().color(QPalette::WindowText), red);
    EXPECT_EQ(panelFonts(), fontsBefore) << "editing leaves the panels' fonts as they were";
    for (const char* name : lockedControls)
        EXPECT_TRUE(usable(name)) << name;
    EXPECT_TRUE(child<QLineEdit>(w(), "Text3")->isReadOnly());
    EXPECT_EQ(shown("Text1"), QString());
    EXPECT_EQ(child<QLabel>(w(), "LblNadpis1")->text(), QStringLiteral("Seznam CD - 3"));
}

TEST_F(Editing, OkWithNothingChangedKeepsTheRecord)
{
    reg.exec(QStringLiteral("UPDATE cd SET typobsahu = 'vlastní typ', typdisku = '' WHERE idcd = %1").arg(babicka));
    gui::click(child<QPushButton>(w(), "CmbZobrazVseCd"));
    const QStringList before = cd(babicka);
    pickCd(QStringLiteral("Babička"));
    press(w(), "Command10");
    EXPECT_EQ(child<QComboBox>(w(), "Combo1")->currentText(), QStringLiteral("vlastní typ"));
    EXPECT_EQ(press(w(), "Command11"), QStringList("Editace záznamu: Záznam byl změněn"));
    EXPECT_EQ(cd(babicka), before);
}

TEST_F(Editing, EditingAPersonStoresTheFiveFields)
{
    pickPerson(QStringLiteral("Malá"));
    EXPECT_TRUE(press(w(), "Command12").isEmpty());
    EXPECT_EQ(frame("Lide")->title(), QStringLiteral("Informace o lidech - EDITACE"));
    EXPECT_FALSE(usable("CD"));
    EXPECT_TRUE(usable("Command5")) << "Smazat of the person edited stays usable";
    EXPECT_TRUE(child<QLineEdit>(w(), "Text9")->isReadOnly());
    typeInto("Text11", QStringLiteral("Malá-Nováková"));
    typeInto("Text12", QStringLiteral("603 111 222"));
    typeInto("Text14", QStringLiteral("bydlí vedle"));
    EXPECT_EQ(press(w(), "Command13"), QStringList("Editace záznamu: Záznam byl změněn"));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM lide WHERE idcloveka = %1").arg(eva)),
              QStringList(QStringLiteral("%1|Eva|Malá-Nováková|603 111 222||bydlí vedle").arg(eva)));
    EXPECT_EQ(frame("Lide")->title(), QStringLiteral("Informace o lidech"));
    EXPECT_TRUE(usable("CD"));
    EXPECT_TRUE(child<QLineEdit>(w(), "Text12")->isReadOnly());
    EXPECT_TRUE(child<QWidget>(w(), "Command8")->isVisible());
}

// Edits that meet another action: "OK" stores only into the record the panel shows, and
// what was typed into an emptied panel is stored nowhere.
TEST_F(Editing, DeletingTheRecordBeingEditedLeavesNothingForOkToStore)
{
    for (const bool isCd : {true, false}) {
        const QString table = QString::fromLatin1(isCd ? "cd" : "lide");
        isCd ? pickCd(QStringLiteral("Kytice")) : pickPerson(QStringLiteral("Malá"));
        press(w(), isCd ? "Command10" : "Command12");
        const char* box = isCd ? "Text2" : "Text11";
        typeInto(box, QStringLiteral("napsáno před smazáním"));
        EXPECT_EQ(press(w(), isCd ? "Command4" : "Command5", {QMessageBox::Yes}).last(),
                  QStringLiteral("Mazání záznamu: Záznam byl úspěšně smazán"));
        const QStringList left = reg.rows(QStringLiteral("SELECT * FROM ") + table);
        typeInto(box, QStringLiteral("nikdo to nevybral"));
        if (isCd)
            gui::click(child<QCheckBox>(w(), "Check2"));
        EXPECT_EQ(press(w(), isCd ? "Command11" : "Command13"),
                  QStringList("Editace záznamu: Není vybrán žádný záznam"));
        EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM ") + table), left) << table.toStdString();
        EXPECT_EQ(frame(isCd ? "CD" : "Lide")->title(), isCd ? "Informace o CD" : "Informace o lidech");
        for (const char* name : lockedControls)
            EXPECT_TRUE(usable(name)) << name;
    }
}

TEST_F(Editing, PagingAndFilterStoreTheCdLeftWithItsTypesExactlyAsTyped)
{
    const qint64 second = reg.addCd(QStringLiteral("Babička"), QStringLiteral("Filmy"));
    gui::click(child<QPushButton>(w(), "CmbZobrazVseCd"));
    pickCd(QStringLiteral("Babička"));
    press(w(), "Command10");
    // Typed, not picked: no completion to "Hudba" or "Image CD", and Enter adds nothing to the lists.
    auto* content = child<QComboBox>(w(), "Combo1");
    auto* disc = child<QComboBox>(w(), "Combo2");
    for (auto [combo, text] : {std::pair{content, "hud"}, std::pair{disc, "Image"}}) {
        combo->lineEdit()->selectAll();
        gui::type(combo, QString::fromLatin1(text));
        QTest::keyClick(combo, Qt::Key_Return);
    }
    EXPECT_EQ(content->count(), 8);
    EXPECT_EQ(disc->count(), 9);
    typeInto("Text2", QStringLiteral("Babička I"));

    gui::click(child<QPushButton>(w(), "CmbDalsi"));
    EXPECT_EQ(cd(babicka), QStringList(QStringLiteral("%1|Babička I|1|Image|hud||0|0").arg(babicka)));
    EXPECT_EQ(shown("Text1"), QString::number(second));
    EXPECT_EQ(content->currentText(), QStringLiteral("Filmy"));

    // Letters in the count: paging and the re-query of "Filtruj" refuse them as "OK" does,
    // under the same title, and nothing moves.
    typeInto("Text3", QStringLiteral("dva"));
    for (const char* button : {"CmbPredchozi", "Command14"}) {
        EXPECT_EQ(press(w(), button), QStringList("Editace záznamu: Počet disků musí být číslo")) << button;
        EXPECT_EQ(w()->focusWidget(), child<QWidget>(w(), "Text3"));
        EXPECT_EQ(shown("Text1"), QString::number(second));
    }
    typeInto("Text3", QStringLiteral("2"));
    content->lineEdit()->selectAll();
    gui::type(content, QStringLiteral("Foto"));
    EXPECT_TRUE(press(w(), "Command14").isEmpty());
    EXPECT_EQ(cd(second), QStringList(QStringLiteral("%1|Babička|2|CD|Foto||0|0").arg(second)));
    EXPECT_EQ(shown("Text1"), QString());

    // The filtered list's first CD is not the edited one: neither another "Filtruj" nor "OK"
    // stores what is typed into the emptied panel.
    const QStringList all = reg.rows(QStringLiteral("SELECT * FROM cd"));
    typeInto("Text2", QStringLiteral("cizí"));
    EXPECT_TRUE(press(w(), "Command14").isEmpty());
    EXPECT_EQ(press(w(), "Command11"), QStringList("Editace záznamu: Není vybrán žádný záznam"));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM cd")), all);
    EXPECT_TRUE(usable("CmbKonec"));
}

TEST_F(Editing, TabLeavesTheBoxAndClosingTheWindowStoresTheEdit)
{
    pickCd(QStringLiteral("Kytice"));
    press(w(), "Command10");
    auto* name = child<QPlainTextEdit>(w(), "Text2");
    typeInto("Text2", QStringLiteral("Kytice"));
    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), name);
    typeInto("Text3", QStringLiteral("dva"));

    // A count the field cannot hold keeps the window open with the edit.
    DialogAnswerer answerer;
    EXPECT_FALSE(form->close());
    EXPECT_EQ(answerer.summary(), QStringList("Editace záznamu: Počet disků musí být číslo"));
    EXPECT_TRUE(w()->isVisible());
    typeInto("Text3", QStringLiteral("3"));
    EXPECT_TRUE(form->close());
    EXPECT_EQ(answerer.summary().size(), 1) << "closing says nothing more";
    EXPECT_EQ(cd(kytice), QStringList(QStringLiteral("%1|Kytice|3|CD|Hudba||0|0").arg(kytice)));
}

// "Smazat" asks, then deletes the record the panel shows with its loans (the database's
// cascade) and lists the whole table again; of two CDs of one name, the one shown goes.
TEST_F(Editing, DeletingAsksThenDeletesTheRecordShown)
{
    const qint64 second = reg.addCd(QStringLiteral("Babička"));
    const QString warning =
        QStringLiteral(" ?\nSmazáním záznamu odstaríte i všechny jeho záznamy v historii půjčování");
    struct Case
    {
        const char* button;
        const char* question;
        const char* table;
        const char* heading;
        const char* left; // heading after
    };
    for (const Case& c :
         {Case{"Command4", "Smazání CD: Opravdu chcete smazat záznam: Babička", "cd", "LblNadpis1", "Seznam CD - 3"},
          Case{"Command5", "Smazání Lidí: Opravdu chcete smazat záznam: Eva Malá", "lide", "LblNadpis2",
               "Seznam lidí - 2"}}) {
        const bool isCd = c.table == std::string("cd");
        EXPECT_EQ(press(w(), c.button), QStringList("Mazání záznamu: Žádný záznam není vybrán"));
        gui::click(child<QPushButton>(w(), isCd ? "CmbZobrazVseCd" : "CmbZobrazVseLide"));
        if (isCd) {
            pickCd(QStringLiteral("Babička"));
            gui::click(child<QPushButton>(w(), "CmbDalsi"));
        } else {
            pickPerson(QStringLiteral("Malá"));
        }
        const QString question = QString::fromUtf8(c.question) + warning;
        EXPECT_EQ(press(w(), c.button, {QMessageBox::No}),
                  QStringList({question, QStringLiteral("Mazání záznamu: Mazání bylo přerušeno")}));
        const QString count = QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(c.table));
        EXPECT_EQ(reg.value(count), isCd ? QStringLiteral("4") : QStringLiteral("3"));
        EXPECT_EQ(press(w(), c.button, {QMessageBox::Yes}),
                  QStringList({question, QStringLiteral("Mazání záznamu: Záznam byl úspěšně smazán")}));
        EXPECT_EQ(child<QLabel>(w(), c.heading)->text(), QString::fromUtf8(c.left));
        EXPECT_EQ(press(w(), c.button), QStringList("Mazání záznamu: Žádný záznam není vybrán"));
    }
    EXPECT_TRUE(cd(second).isEmpty()) << "the second Babička, the one shown, is gone";
    EXPECT_EQ(cd(babicka).size(), 1);
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT idvypujcky FROM pujcovani")), QStringList(QString::number(janKytice)))
        << "Eva's loans went with her";
}
