// Anything at all typed or pasted into the boxes: nothing crashes, nothing the
// program accepts is refused, what is stored reads back exactly, and the
// search finds it.
#include "main_window_fixture.h"
#include "qt_printers.h"

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

namespace {

struct Input
{
    const char* what;
    QString text;
};

QList<Input> inputs()
{
    const QString sentence = QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy. ");
    return {
        {"quote", QStringLiteral("Tom's")},
        {"double quote", QStringLiteral("\"Best of\"")},
        {"percent", QStringLiteral("100%")},
        {"underscore", QStringLiteral("a_b")},
        {"star", QStringLiteral("*")},
        {"bracket", QStringLiteral("[abc]")},
        {"sql", QStringLiteral("'; drop table cd; --")},
        {"1 MB", sentence.repeated(1024 * 1024 / sentence.size() + 1)},
        {"100 000 characters", QStringLiteral("x").repeated(100000)},
        {"emoji", QStringLiteral("Hudba 🎵💿 𝄞")},
        {"right to left", QStringLiteral("שלום עולם مرحبا")},
        {"combining accents", QStringLiteral("Cafe\u0301 A\u030Angstro\u0308m")},
        {"control characters", QStringLiteral("a\tb\u0001c\u007f")},
        {"blanks around", QStringLiteral("  mezery kolem  ")},
    };
}

// Pastes the text into the box as a user does (Ctrl+V), replacing what it held.
void paste(QWidget* box, const QString& text)
{
    QApplication::clipboard()->setText(text);
    box->setFocus();
    QTest::keySequence(box, QKeySequence::SelectAll);
    QTest::keySequence(box, QKeySequence::Paste);
}

using BadInput = MainWindowFixture;

} // namespace

TEST_F(BadInput, AnyTextIsStoredExactlyAndFound)
{
    QWidget* f3 = open("Command3", "Form3");
    QWidget* f4 = open("Command2", "Form4");
    auto* cdSearch = child<QLineEdit>(form.get(), "TxtHledejCd");
    auto* peopleSearch = child<QLineEdit>(form.get(), "TxtHledejLidi");
    for (const Input& input : inputs()) {
        SCOPED_TRACE(input.what);
        // A disc named and described by the text.
        paste(child<QPlainTextEdit>(f3, "Text9"), input.text);
        paste(child<QPlainTextEdit>(f3, "Text14"), input.text);
        paste(child<QLineEdit>(f3, "Text10"), QStringLiteral("1"));
        child<QComboBox>(f3, "Combo1")->setCurrentIndex(0);
        child<QComboBox>(f3, "Combo2")->setCurrentIndex(0);
        ASSERT_EQ(press(f3, "Command2", {QMessageBox::Yes, QMessageBox::Ok}).size(), 2);
        const qint64 cd = reg.value(QStringLiteral("SELECT max(idcd) FROM cd")).toLongLong();
        EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev = popis FROM cd WHERE idcd = %1").arg(cd)), QStringList("1"));
        EXPECT_EQ(reg.value(QStringLiteral("SELECT popis FROM cd WHERE idcd = %1").arg(cd)), input.text);

        // A person with the text in every field.
        for (const char* name : {"Text2", "Text3", "Text4", "Text5", "Text6"})
            paste(child<QWidget>(f4, name), input.text);
        ASSERT_EQ(press(f4, "Command2", {QMessageBox::Yes, QMessageBox::Ok}).size(), 2);
        const qint64 person = reg.value(QStringLiteral("SELECT max(idcloveka) FROM lide")).toLongLong();
        EXPECT_EQ(reg.rows(QStringLiteral("SELECT jmeno, prijmeni, telefon, email, poznamka FROM lide WHERE "
                                          "idcloveka = %1")
                               .arg(person)),
                  QStringList(QStringList(5, input.text).join(QLatin1Char('|'))));

        // The searches find both.
        activate(form.get());
        paste(cdSearch, input.text);
        EXPECT_GE(gui::rowOf(child<QTableView>(form.get(), "MSFlexGrid1"), 0, QString::number(cd)), 0);
        paste(peopleSearch, input.text);
        EXPECT_GE(gui::rowOf(child<QTableView>(form.get(), "MSFlexGrid2"), 0, QString::number(person)), 0);

        // Lent with the text as the note.
        pickCd(input.text);
        gui::clickCell(child<QTableView>(form.get(), "MSFlexGrid2"), 0, 1);
        ASSERT_EQ(
            press(form.get(), "CmbPujcit", {QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Ok}, {{input.text, true}})
                .size(),
            4);
        EXPECT_EQ(reg.value(QStringLiteral("SELECT poznamka FROM pujcovani WHERE idcd = %1").arg(cd)), input.text);

        // Edited: the description gets the text once more.
        paste(cdSearch, input.text);
        pickCd(input.text);
        press(form.get(), "Command10");
        auto* description = child<QPlainTextEdit>(form.get(), "Text8");
        description->moveCursor(QTextCursor::End);
        QApplication::clipboard()->setText(input.text);
        QTest::keySequence(description, QKeySequence::Paste);
        EXPECT_EQ(press(form.get(), "Command11"), QStringList("Editace záznamu: Záznam byl změněn"));
        EXPECT_EQ(reg.value(QStringLiteral("SELECT popis FROM cd WHERE idcd = %1").arg(cd)), input.text + input.text);
    }
}
