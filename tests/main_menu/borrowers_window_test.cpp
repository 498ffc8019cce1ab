// Soubor ▸ Kdo má co půjčeno… and Dlouho půjčená CD…: the borrowers with their discs in a
// window, sorted by a click on a column's header, written as a PDF grouped alike; the days
// typed in the window choose who is out too long and are kept.
#include "menu_fixture.h"
#include "qt_printers.h"

#include "reports/report_settings.h"

#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

namespace {

// The people as the tree lists them, each with its discs: "Eva Malá: Babička, Čtyřlístek".
QStringList listed(QWidget* dialog)
{
    auto* tree = child<QTreeWidget>(dialog, "Seznam");
    QStringList people;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* person = tree->topLevelItem(i);
        QStringList discs;
        for (int d = 0; d < person->childCount(); ++d)
            discs << person->child(d)->text(0);
        people << person->text(0) + QStringLiteral(": ") + discs.join(QStringLiteral(", "));
    }
    return people;
}

void clickHeader(QWidget* dialog, int column)
{
    QHeaderView* header = child<QTreeWidget>(dialog, "Seznam")->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(column) + 4, 4));
}

QString label(QWidget* dialog, const char* name)
{
    return child<QLabel>(dialog, name)->text();
}

} // namespace

class Borrowers : public MainMenu
{
public:
    // Jan's Kytice is out 40 days; Eva has Babička 20 days and a set of three DVDs 5 days.
    void addData() override
    {
        MainMenu::addData();
        const qint64 set = reg.addCd(QStringLiteral("Čtyřlístek"));
        reg.exec(QStringLiteral("UPDATE cd SET pocetdisku = 3, typdisku = 'DVD', popis = 'Jaroslav Němeček' "
                                "WHERE idcd = %1")
                     .arg(set));
        reg.addLoan(set, eva);
        reg.exec(QStringLiteral("UPDATE pujcovani SET datumpujceni = date('now', '-40 days') WHERE idvypujcky = %1;"
                                "UPDATE pujcovani SET datumpujceni = date('now', '-20 days') WHERE idvypujcky = %2;"
                                "UPDATE pujcovani SET datumpujceni = date('now', '-5 days') WHERE idcd = %3")
                     .arg(janKytice)
                     .arg(evaBabicka)
                     .arg(set));
    }
};

TEST_F(Borrowers, WhoHasWhatIsGroupedByBorrowerSortedByAnyColumnAndSavedAsAPdf)
{
    QStringList orders;
    QString summary;
    QWidget* window = nullptr;
    DialogScript script(
        {{QStringLiteral("KdoCo"),
          [&](QWidget* dialog) {
              EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Kdo má co půjčeno"));
              orders << listed(dialog).join(u'|'); // by surname
              summary = label(dialog, "Souhrn");
              clickHeader(dialog, 4); // Dní: the longest out last
              orders << listed(dialog).join(u'|');
              clickHeader(dialog, 4); // again: first
              orders << listed(dialog).join(u'|');
              clickHeader(dialog, 2); // Disky: by how many each has
              orders << listed(dialog).join(u'|');
              window = dialog;
              auto* pdf = child<QPushButton>(dialog, "UlozitPdf");
              QTimer::singleShot(0, pdf, [pdf] { gui::click(pdf); }); // once this step is done
          }},
         {QStringLiteral("PdfFile"),
          [&](QWidget* dialog) {
              window->setProperty("scripted", false); // to be closed by the next step
              fileAnswer("PdfFile", QStringLiteral("kdoco.pdf")).second(dialog);
          }},
         {QStringLiteral("KdoCo"), [](QWidget* dialog) { gui::click(child<QPushButton>(dialog, "Zavrit")); }}});
    DialogAnswerer answerer;
    action("KdoCo")->trigger();
    EXPECT_EQ(script.taken(), 3u);
    const QString evas = QStringLiteral("Eva Malá: Babička, Čtyřlístek");
    const QString jans = QStringLiteral("Jan Novák: Kytice");
    // Each person's discs are sorted alike: by days out, Čtyřlístek's 5 before Babička's 20.
    const QString byDays = QStringLiteral("Eva Malá: Čtyřlístek, Babička");
    EXPECT_EQ(orders, QStringList({evas + u'|' + jans, byDays + u'|' + jans, jans + u'|' + evas, jans + u'|' + evas}));
    EXPECT_EQ(summary, QStringLiteral("Lidí: 2, půjčených titulů: 3"));
    ASSERT_EQ(answerer.shown().size(), 1);
    EXPECT_TRUE(answerer.shown()[0].text.startsWith(QStringLiteral("Uloženo do souboru")));
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-layout"), documents() + QStringLiteral("/kdoco.pdf"), QStringLiteral("-")});
    text.waitForFinished(-1);
    const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* shown : {"Kdo má co půjčeno", "Eva Malá", "Jaroslav Němeček", "3× DVD", "Půjčeno: 2", "Jan Novák"})
        EXPECT_TRUE(pdf.contains(QString::fromUtf8(shown))) << shown << "\n" << pdf.toStdString();
    EXPECT_LT(pdf.indexOf(QStringLiteral("Eva Malá")), pdf.indexOf(QStringLiteral("Jan Novák")));
}

TEST_F(Borrowers, TheDaysTypedChooseWhoIsOutTooLongAndAreKept)
{
    QStringList seen;
    DialogScript script({{QStringLiteral("KdoCo"), [&](QWidget* dialog) {
                              auto* days = child<QSpinBox>(dialog, "Dni");
                              for (const int typed : {25, 15, 50}) {
                                  days->setFocus();
                                  QTest::keyClick(days, Qt::Key_A, Qt::ControlModifier);
                                  gui::type(days, QString::number(typed));
                                  seen << dialog->windowTitle() + u'|' + listed(dialog).join(u'|') + u'|' +
                                              label(dialog, "Souhrn");
                              }
                              EXPECT_FALSE(child<QPushButton>(dialog, "UlozitPdf")->isEnabled());
                              EXPECT_FALSE(child<QPushButton>(dialog, "Nahled")->isEnabled());
                              gui::click(child<QPushButton>(dialog, "Zavrit"));
                          }}});
    action("DlouhoPujcena")->trigger();
    EXPECT_EQ(script.taken(), 1u);
    EXPECT_EQ(seen, QStringList({"Dlouho půjčená CD (déle než 25 dní)|Jan Novák: Kytice|Lidí: 1, půjčených titulů: 1",
                                 "Dlouho půjčená CD (déle než 15 dní)|Eva Malá: Babička|Jan Novák: Kytice|Lidí: 2, "
                                 "půjčených titulů: 2",
                                 "Dlouho půjčená CD (déle než 50 dní)||Nikdo nemá nic půjčeno déle než 50 dní."}));
    EXPECT_EQ(reportsettings::days(), 50);
}
