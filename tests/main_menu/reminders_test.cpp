// The reminders from Soubor ▸ Tisk… and Upomínka vybranému…: the sender asked once and kept,
// the late borrowers ticked in the dialog, the letters as PDF and as messages in the mail
// program (a stand-in that keeps what it is given).
#include "print_fixture.h"

#include <QListWidget>

// The first reminders ask who sends them; what is typed is kept and printed, and not asked again.
TEST_F(Printing, RemindersAskTheSenderOnceAndPrintWhatWasTyped)
{
    const auto sender = DialogScript::Step{QStringLiteral("Odesilatel"), [](QWidget* dialog) {
                                               MainMenu::activate(dialog);
                                               QWidget* name = child<QLineEdit>(dialog, "Jmeno");
                                               name->setFocus();
                                               gui::type(name, QStringLiteral("Jan Sběratel"));
                                               QTest::keyClick(name, Qt::Key_Tab);
                                               QWidget* contact = dialog->focusWidget();
                                               EXPECT_EQ(contact->objectName(), "Kontakt");
                                               gui::type(contact, QStringLiteral("Dlouhá 12"));
                                               QTest::keyClick(contact, Qt::Key_Tab);
                                               QWidget* place = dialog->focusWidget();
                                               EXPECT_EQ(place->objectName(), "Misto");
                                               gui::type(place, QStringLiteral("V Brně"));
                                               // Tab to the tone, the arrow to tykání: "Ahoj Jane,".
                                               QTest::keyClick(place, Qt::Key_Tab);
                                               QTest::keyClick(dialog->focusWidget(), Qt::Key_Right);
                                               EXPECT_EQ(dialog->focusWidget()->objectName(), "Tykat");
                                               QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
                                           }};
    DialogAnswerer answerer;
    {
        DialogScript script({printChoice("TiskUpominky", "UlozitPdf", 30), sender,
                             fileAnswer("PdfFile", QStringLiteral("upominky.pdf"))});
        action("Upominky")->trigger();
        EXPECT_EQ(script.taken(), 3u);
    }
    int pages = 0;
    const QString text = pdfText(documents() + QStringLiteral("/upominky.pdf"), &pages);
    EXPECT_EQ(pages, 1) << "Jan's loan is out 40 days, Eva's 20";
    for (const char* expected : {"Jan Sběratel", "Dlouhá 12", "V Brně", "Jan Novák", "Kytice", "Ahoj Jane,",
                                 "máš pořád půjčený tento disk:", "Měj se"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Babička")));
    // Again: the sender is not asked.
    DialogScript again({printChoice("TiskUpominky", "UlozitPdf"), fileAnswer("PdfFile", QStringLiteral("znovu.pdf"))});
    action("Upominky")->trigger();
    EXPECT_EQ(again.taken(), 2u);
    EXPECT_TRUE(pdfText(documents() + QStringLiteral("/znovu.pdf")).contains(QStringLiteral("Jan Sběratel")));
    EXPECT_EQ(answerer.shown().size(), 2);
    // Nobody out longer than 40 days: said before any file is asked for, nothing written.
    for (const char* button : {"UlozitPdf", "Nahled"}) {
        DialogScript noLetters({printChoice("TiskUpominky", button, 40)});
        action("Upominky")->trigger();
        EXPECT_EQ(noLetters.taken(), 1u);
    }
    EXPECT_EQ(answerer.summary().mid(2),
              QStringList(2, "Upomínky: Nikdo nemá CD půjčené déle než 40 dní, upomínky nejsou komu psát."));
    EXPECT_EQ(QDir(documents()).entryList({QStringLiteral("*.pdf")}).size(), 2);
}

// "Poslat e-mailem…": the letter to each late borrower with an e-mail, as a message the mail
// program opens (its address, subject and text percent-encoded, a title's "&" too, and read
// back whole); those without an e-mail are named.
TEST_F(Printing, RemindersGoToTheMailProgramOneMessageEachAndThoseWithoutAnEmailAreNamed)
{
    reg.exec(QStringLiteral("UPDATE lide SET email = 'jan.novak@example.cz' WHERE idcloveka = %1;"
                            "UPDATE cd SET nazev = 'Kytice & Erben – „výbor“?', popis = 'a=b', pocetdisku = 2, "
                            "typdisku = 'DVD' WHERE idcd = %2;"
                            "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) VALUES "
                            "(date('now', '-50 days'), %3, %4, 0)")
                 .arg(jan)
                 .arg(kytice)
                 .arg(neverLent)
                 .arg(nobody));
    reportsettings::setOwner({QStringLiteral("Jan Sběratel"), QString(), QString(), false});
    MailProgram mail;
    DialogAnswerer answerer;
    DialogScript script({{QStringLiteral("Tisk"), [](QWidget* dialog) {
                              auto* choice = child<QRadioButton>(dialog, "TiskUpominky");
                              choice->setFocus();
                              QTest::keyClick(choice, Qt::Key_Space);
                              gui::click(child<QPushButton>(dialog, "PoslatEmailem"));
                          }}});
    action("Tisk")->trigger();
    EXPECT_EQ(script.taken(), 1u);
    EXPECT_EQ(answerer.summary(), QStringList("Poslat e-mailem: Zpráv otevřených v poštovním programu: 1.\nBez "
                                              "e-mailu (upomínku jim vytiskněte): Petr Svoboda."));
    ASSERT_EQ(mail.opened.size(), 1);
    const QUrl url = mail.opened.front();
    EXPECT_EQ(url.scheme(), "mailto");
    EXPECT_EQ(url.path(), "jan.novak@example.cz");
    const QByteArray encoded = url.toEncoded();
    EXPECT_EQ(encoded.count('&'), 1) << encoded.toStdString(); // the one between subject and body
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), "Připomenutí půjčených disků");
    const QString body = query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    EXPECT_TRUE(body.startsWith("Dobrý den,\r\n")) << body.toStdString();
    EXPECT_TRUE(body.contains("- Kytice & Erben – „výbor“? (a=b, 2× DVD), půjčeno ")) << body.toStdString();
    EXPECT_TRUE(body.contains("dovoluji si Vám připomenout, že máte stále vypůjčené tyto disky:"));
    EXPECT_TRUE(body.endsWith("S pozdravem\r\nJan Sběratel")) << body.toStdString();
}

// The late borrowers are listed in the dialog, each ticked: one unticked gets no message. From
// the people panel, "Upomínka vybranému…" ticks only the person picked there.
TEST_F(Printing, OnlyTheBorrowersTickedGetAReminderAndOnePickedOnlyHis)
{
    reg.exec(QStringLiteral("UPDATE lide SET email = 'jan.novak@example.cz' WHERE idcloveka = %1;"
                            "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) VALUES "
                            "(date('now', '-50 days'), %2, %3, 0)")
                 .arg(jan)
                 .arg(neverLent)
                 .arg(nobody));
    reportsettings::setOwner({QStringLiteral("Jan Sběratel"), QString(), QString(), false});
    MailProgram mail;
    DialogAnswerer answerer;
    QStringList listed;
    DialogScript script({{QStringLiteral("Tisk"), [&](QWidget* dialog) {
                              auto* choice = child<QRadioButton>(dialog, "TiskUpominky");
                              choice->setFocus();
                              QTest::keyClick(choice, Qt::Key_Space);
                              auto* people = child<QListWidget>(dialog, "Dluznici");
                              for (int row = 0; row < people->count(); ++row)
                                  listed << people->item(row)->text();
                              // Down to Petr, Space unticks him.
                              people->setFocus();
                              people->setCurrentRow(0);
                              QTest::keyClick(people, Qt::Key_Down);
                              QTest::keyClick(people, Qt::Key_Space);
                              EXPECT_EQ(child<QLabel>(dialog, "Zaskrtnuto")->text(), "Zaškrtnuto: 1 z 2");
                              // Fewer days: Eva is late too and ticked; Petr stays unticked.
                              auto* days = child<QSpinBox>(dialog, "Dni");
                              days->setFocus();
                              QTest::keyClick(days, Qt::Key_A, Qt::ControlModifier);
                              gui::type(days, QStringLiteral("15"));
                              EXPECT_EQ(child<QLabel>(dialog, "Zaskrtnuto")->text(), "Zaškrtnuto: 2 z 3");
                              gui::click(child<QPushButton>(dialog, "PoslatEmailem"));
                          }}});
    action("Tisk")->trigger();
    EXPECT_EQ(script.taken(), 1u);
    EXPECT_EQ(listed, QStringList({"Novák Jan (1)", "Svoboda Petr (1)"}));
    EXPECT_EQ(answerer.summary(), QStringList("Poslat e-mailem: Zpráv otevřených v poštovním programu: 1.\nBez "
                                              "e-mailu (upomínku jim vytiskněte): Eva Malá."));
    ASSERT_EQ(mail.opened.size(), 1);
    EXPECT_EQ(mail.opened.front().path(), "jan.novak@example.cz");

    pickPerson(QStringLiteral("Svoboda"));
    QString ticked;
    DialogScript picked({{QStringLiteral("Tisk"),
                          [&](QWidget* dialog) {
                              ticked = child<QLabel>(dialog, "Zaskrtnuto")->text();
                              EXPECT_TRUE(child<QRadioButton>(dialog, "TiskUpominky")->isChecked());
                              gui::click(child<QPushButton>(dialog, "UlozitPdf"));
                          }},
                         fileAnswer("PdfFile", QStringLiteral("petr.pdf"))});
    action("UpominkaVybranemu")->trigger();
    EXPECT_EQ(picked.taken(), 2u);
    EXPECT_EQ(ticked, "Zaškrtnuto: 1 z 3"); // the 15 days kept
    const QString text = pdfText(documents() + QStringLiteral("/petr.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("Petr Svoboda")) && text.contains(QStringLiteral("Nikdy nepůjčené")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Jan Novák")) || text.contains(QStringLiteral("Eva Malá")));
}
