// The add-CD, add-person and About windows, opened from the main window.
#include "main_window_fixture.h"
#include "qt_printers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>

namespace {

// The main window over an empty register.
class EntryWindows : public MainWindowFixture
{
protected:
    void addData() override {}

    // Presses "PŘIDAT", answering the boxes it shows with the buttons given; returns what was shown.
    static QStringList add(QWidget* window, std::initializer_list<QMessageBox::StandardButton> answers = {})
    {
        return press(window, "Command2", answers);
    }

    QStringList discs() { return reg.rows(QStringLiteral("SELECT * FROM cd")); }
};

void pick(QWidget* window, const char* combo, const QString& item)
{
    auto* box = child<QComboBox>(window, combo);
    box->setCurrentIndex(box->findText(item));
}

} // namespace

TEST_F(EntryWindows, AddCdChecksInOrderAndReportsOnlyTheFirstFailure)
{
    QWidget* f3 = open("Command3", "Form3");
    EXPECT_EQ(child<QComboBox>(f3, "Combo1")->currentIndex(), -1);

    // Each refusal leaves the user in the box refused.
    EXPECT_EQ(add(f3), QStringList("Chyba: Počet disků musí být číslo"));
    EXPECT_EQ(f3->focusWidget(), child<QWidget>(f3, "Text10"));
    gui::type(child<QLineEdit>(f3, "Text10"), QStringLiteral("2"));
    EXPECT_EQ(add(f3), QStringList("Chyba: Vyberte prosím typ disku"));
    EXPECT_EQ(f3->focusWidget(), child<QWidget>(f3, "Combo1"));
    pick(f3, "Combo1", QStringLiteral("DVD"));
    EXPECT_EQ(add(f3), QStringList("Chyba: Vyberte prosím typ obsahu"));
    EXPECT_EQ(f3->focusWidget(), child<QWidget>(f3, "Combo2"));
    pick(f3, "Combo2", QStringLiteral("Operační systémy"));
    EXPECT_EQ(add(f3), QStringList("Chyba: Musí být vyplněn název"));
    EXPECT_EQ(f3->focusWidget(), child<QWidget>(f3, "Text9"));
    EXPECT_TRUE(discs().isEmpty());
}

TEST_F(EntryWindows, AddCdConfirmsLineByLineStoresAndEmptiesTheEntries)
{
    QWidget* f3 = open("Command3", "Form3");
    gui::type(child<QPlainTextEdit>(f3, "Text9"), QStringLiteral("Kytice 'Erben'"));
    gui::type(child<QLineEdit>(f3, "Text10"), QStringLiteral("2"));
    pick(f3, "Combo1", QStringLiteral("Audio CD"));
    pick(f3, "Combo2", QStringLiteral("Hudba"));
    gui::type(child<QPlainTextEdit>(f3, "Text14"), QStringLiteral("čtená poezie"));
    const QString question = QStringLiteral("Přidání CD: Přejete si přidat nové cd?\nNázev: Kytice 'Erben'\n"
                                            "Počet disků: 2\nTyp disku: Audio CD\nTyp obsahu: Hudba\n"
                                            "Popis: čtená poezie\nOriginál: ");

    EXPECT_EQ(add(f3, {QMessageBox::No}), QStringList(question + QStringLiteral("Ne")));
    EXPECT_TRUE(discs().isEmpty());
    EXPECT_EQ(child<QLineEdit>(f3, "Text10")->text(), QStringLiteral("2"));

    gui::click(child<QCheckBox>(f3, "Check2"));
    EXPECT_EQ(add(f3, {QMessageBox::Yes}), QStringList({question + QStringLiteral("Ano"),
                                                        QStringLiteral("Přidání záznamu: Záznam byl úspěšně přidán")}));
    EXPECT_EQ(discs(), QStringList("101|Kytice 'Erben'|2|Audio CD|Hudba|čtená poezie|1|0"));
    EXPECT_EQ(undoText(), QStringLiteral("Zpět: přidání disku Kytice 'Erben'"));
    EXPECT_EQ(child<QPlainTextEdit>(f3, "Text9")->toPlainText(), QString());
    EXPECT_EQ(child<QLineEdit>(f3, "Text10")->text(), QString());
    EXPECT_EQ(child<QPlainTextEdit>(f3, "Text14")->toPlainText(), QString());
    EXPECT_FALSE(child<QCheckBox>(f3, "Check2")->isChecked());
    EXPECT_EQ(child<QComboBox>(f3, "Combo1")->currentText(), QStringLiteral("Audio CD"));
    EXPECT_EQ(add(f3), QStringList("Chyba: Počet disků musí být číslo"));

    // The main window shows the new disc only at its list's next query.
    QApplication::setActiveWindow(f3);
    QApplication::setActiveWindow(form.get());
    EXPECT_EQ(child<QLabel>(form.get(), "LblNadpis1")->text(), QStringLiteral("Seznam CD - 0"));
    gui::click(child<QPushButton>(form.get(), "CmbZobrazVseCd"));
    EXPECT_EQ(child<QLabel>(form.get(), "LblNadpis1")->text(), QStringLiteral("Seznam CD - 1"));
}

TEST_F(EntryWindows, AddPersonChecksBothNamesConfirmsAndStores)
{
    QWidget* f4 = open("Command2", "Form4");
    EXPECT_EQ(add(f4), QStringList("Chyba: Jméno musí být vyplněno"));
    EXPECT_EQ(f4->focusWidget(), child<QWidget>(f4, "Text2"));
    gui::type(child<QLineEdit>(f4, "Text2"), QStringLiteral("Šárka"));
    EXPECT_EQ(add(f4), QStringList("Chyba: Příjmení musí být vyplněno"));
    EXPECT_EQ(f4->focusWidget(), child<QWidget>(f4, "Text3"));
    gui::type(child<QLineEdit>(f4, "Text3"), QStringLiteral("Černá"));

    const QString question = QStringLiteral("Přidání lidí: Přejete si přidat nového člověka?\nJméno: Šárka\n"
                                            "Příjmení: Černá\nTelefon: \nE-mail: \nPoznámka: \n");
    EXPECT_EQ(add(f4, {QMessageBox::No}), QStringList(question));
    EXPECT_EQ(child<QLineEdit>(f4, "Text3")->text(), QStringLiteral("Černá"));
    EXPECT_TRUE(reg.rows(QStringLiteral("SELECT * FROM lide")).isEmpty());

    gui::type(child<QLineEdit>(f4, "Text4"), QStringLiteral("+420 777 000 111"));
    gui::type(child<QPlainTextEdit>(f4, "Text6"), QStringLiteral("vrací včas"));
    const QStringList shown = add(f4, {QMessageBox::Yes});
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1], QStringLiteral("Přidání záznamu: Záznam byl úspěšně přidán"));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM lide")),
              QStringList("201|Šárka|Černá|+420 777 000 111||vrací včas"));
    EXPECT_EQ(undoText(), QStringLiteral("Zpět: přidání člověka Šárka Černá"));
    for (const char* name : {"Text2", "Text3", "Text4", "Text5"})
        EXPECT_EQ(child<QLineEdit>(f4, name)->text(), QString()) << name;
    EXPECT_EQ(child<QPlainTextEdit>(f4, "Text6")->toPlainText(), QString());
    EXPECT_EQ(f4->focusWidget(), child<QWidget>(f4, "Text2"));
    EXPECT_EQ(add(f4), QStringList("Chyba: Jméno musí být vyplněno"));
}

TEST_F(EntryWindows, EachWindowOpensOnceAndLoadsAnewAfterClosing)
{
    QPointer<QWidget> f3 = open("Command3", "Form3");
    gui::type(child<QLineEdit>(f3, "Text10"), QStringLiteral("7"));
    EXPECT_EQ(open("Command3", "Form3"), f3.data());
    EXPECT_EQ(child<QLineEdit>(f3, "Text10")->text(), QStringLiteral("7"));
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](QWidget* w) { return w->objectName() == QLatin1String("Form3"); }),
              1);

    gui::click(child<QPushButton>(f3, "Command1")); // "ZPĚT"
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f3.isNull());
    QWidget* again = open("Command3", "Form3");
    EXPECT_EQ(child<QLineEdit>(again, "Text10")->text(), QString());

    QPointer<QWidget> f4 = open("Command2", "Form4");
    f4->close(); // the close box
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f4.isNull());

    // "KONEC" ends the program with every window.
    f4 = open("Command2", "Form4");
    gui::click(child<QPushButton>(form.get(), "CmbKonec"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(f4.isNull());
}

TEST_F(EntryWindows, AboutShowsTheProgramAndClosesWithEnterOrEsc)
{
    QPointer<QWidget> about = open("Command9", "frmAbout");
    const std::pair<const char*, const char*> texts[] = {
        {"lblTitle", "ORDISK"}, {"lblVersion", "1.0.2"}, {"lblDescription", "Program pro evidenci půjčených CD"}};
    for (const auto& [name, text] : texts)
        EXPECT_EQ(child<QLabel>(about, name)->text(), QString::fromUtf8(text)) << name;
    EXPECT_EQ(about->windowTitle(), QStringLiteral("O Programu"));
    // One version number in the window: its own label's.
    EXPECT_FALSE(child<QLabel>(about, "lblDisclaimer")->text().contains(QRegularExpression(QStringLiteral("\\d"))));
    EXPECT_FALSE(child<QLabel>(about, "Image1")->pixmap().isNull());

    QTest::keyClick(about, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());

    about = open("Command9", "frmAbout");
    QTest::keyClick(child<QPushButton>(about, "cmdOK"), Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
}

TEST_F(EntryWindows, AFullDiskIsReportedAndTheEntriesStayForAnotherTry)
{
    const QString pages = reg.value(QStringLiteral("PRAGMA page_count"));
    reg.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
    QWidget* f3 = open("Command3", "Form3");
    const QString description = QStringLiteral("dlouhý popis ").repeated(2000);
    child<QPlainTextEdit>(f3, "Text9")->setPlainText(QStringLiteral("Kytice"));
    child<QPlainTextEdit>(f3, "Text14")->setPlainText(description);
    gui::type(child<QLineEdit>(f3, "Text10"), QStringLiteral("1"));
    pick(f3, "Combo1", QStringLiteral("CD"));
    pick(f3, "Combo2", QStringLiteral("Hudba"));
    const QStringList shown = add(f3, {QMessageBox::Yes});
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1], QStringLiteral("Chyba: Na disku není místo; nic nebylo uloženo."));
    EXPECT_TRUE(discs().isEmpty());
    EXPECT_FALSE(reg.db().inTransaction());
    EXPECT_EQ(child<QPlainTextEdit>(f3, "Text14")->toPlainText(), description);
}
