// The reminders and the overview, counted from a register made to tell a fault from success:
// a borrower with two discs out too long and one returned, another a day within the days,
// names that sort alike in ASCII but not in Czech, and a name with "&" and "<".
#include "qt_printers.h"
#include "recording_canvas.h"
#include "reports/borrowers.h"
#include "reports/overview.h"
#include "reports/reminders.h"
#include "reports/text_lines.h"
#include "temp_register.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QDate endOfMarch(2024, 3, 31);

void fill(TempRegister& reg)
{
    reg.exec(QStringLiteral(R"(
        INSERT INTO lide (idcloveka, jmeno, prijmeni) VALUES
            (201, 'Eva', 'Svobodová'), (202, 'Petr', 'Šťastný'), (203, 'Zdena', 'A & <b>'), (204, 'Karel', 'Vrátil');
        INSERT INTO cd (idcd, nazev) VALUES (101, 'Hrad'), (102, 'Chata'), (103, 'Cukr'), (104, 'Čaj'),
            (105, 'Nikdy'), (106, 'Jen jednou');
        INSERT INTO pujcovani (idvypujcky, datumpujceni, idcd, idcloveka, vraceno, datumvraceni) VALUES
            (301, '2024-02-01', 101, 201, 0, NULL),
            (302, '2024-01-15', 102, 201, 0, NULL),
            (303, '2024-01-01', 103, 201, 1, '2024-01-03'),
            (304, '2024-03-02', 104, 202, 0, NULL),
            (305, '2024-02-20', 106, 203, 0, NULL),
            (306, '2023-06-01', 101, 204, 1, '2023-06-05'),
            (307, '2023-07-01', 102, 204, 1, '2023-07-11'),
            (308, '2023-08-01', 103, 204, 1, '2023-08-21'),
            (309, '2023-09-10', 106, 204, 1, '2023-09-01'),
            (310, NULL, 104, 202, 1, '2023-10-01');)"));
}

std::vector<reminders::Letter> letters(Database& db, int days)
{
    reminders::Letters source(db, days, endOfMarch);
    std::vector<reminders::Letter> all;
    EXPECT_TRUE(source.start().ok());
    reminders::Letter letter;
    while (source.next(letter))
        all.push_back(letter);
    EXPECT_TRUE(source.status().ok()) << source.status().message().toStdString();
    EXPECT_EQ(source.count(), static_cast<qint64>(all.size()));
    return all;
}

// The letters as painted: a letter of more discs than a page holds is made of its rows.
std::vector<RecordingCanvas::Page> painted(Database& db, int days, const reminders::Owner& owner)
{
    QBuffer nowhere;
    nowhere.open(QIODevice::WriteOnly);
    QPdfWriter device(&nowhere);
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    RecordingCanvas canvas;
    reminders::Letters source(db, days, endOfMarch);
    const Status status = reminders::paintLetters(source, owner, endOfMarch, device, canvas);
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    return canvas.pages;
}

} // namespace

TEST(Reminders, GoOnlyToThoseWithADiscOutTooLongAPageEach)
{
    TempRegister reg;
    fill(reg);
    const std::vector<reminders::Letter> all = letters(reg.db(), 30);
    // Zdena's surname sorts before Eva's; Petr's disc is out 29 days; Karel returned all.
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].surname, "A & <b>");
    ASSERT_EQ(all[0].loans.size(), 1u);
    EXPECT_EQ(all[0].loans[0].daysOut, 40);
    EXPECT_EQ(all[1].firstName, "Eva");
    ASSERT_EQ(all[1].loans.size(), 2u);
    EXPECT_EQ(all[1].loans[0].disc, "Chata"); // lent first
    EXPECT_EQ(all[1].loans[0].daysOut, 76);
    EXPECT_EQ(all[1].loans[1].disc, "Hrad");
    EXPECT_EQ(all[1].loans[1].lent, QDate(2024, 2, 1));
    // Petr's disc is a day within 30 days, and in at 28.
    EXPECT_EQ(letters(reg.db(), 28).size(), 3u);
    EXPECT_TRUE(letters(reg.db(), 76).empty());

    const reminders::Owner owner{QStringLiteral("Jan Sběratel"), QStringLiteral("Dlouhá 12\nBrno"),
                                 QStringLiteral("V Brně")};
    std::vector<RecordingCanvas::Page> pages = painted(reg.db(), 30, owner);
    ASSERT_EQ(pages.size(), 2u);
    const QStringList& zdena = pages[0].texts;
    EXPECT_TRUE(zdena.contains("Zdena A & <b>"));
    EXPECT_TRUE(zdena.contains("V Brně 31. března 2024"));
    EXPECT_TRUE(zdena.contains("Dlouhá 12") && zdena.contains("Brno"));
    EXPECT_EQ(zdena.count("Jan Sběratel"), 2); // above and below
    EXPECT_TRUE(zdena.contains("dovoluji si Vám připomenout, že máte stále vypůjčený tento disk:"));
    EXPECT_TRUE(zdena.contains("Prosím Vás o jeho vrácení do 14. dubna 2024. Děkuji."));
    EXPECT_TRUE(zdena.contains("20.02.2024") && zdena.contains("40"));
    const QStringList& eva = pages[1].texts;
    EXPECT_TRUE(eva.contains("dovoluji si Vám připomenout, že máte stále vypůjčené tyto disky:"));
    EXPECT_TRUE(eva.contains("Prosím Vás o jejich vrácení do 14. dubna 2024. Děkuji."));
    EXPECT_TRUE(eva.contains("Chata") && eva.contains("Hrad") && !eva.contains("Cukr"));

    // A borrower with no name (blanks at most) gets no letter; he is counted to be said.
    reg.exec(QStringLiteral("INSERT INTO lide (idcloveka, jmeno, prijmeni) VALUES (205, ' ', NULL), (206, NULL, '\t');"
                            "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) VALUES "
                            "('2024-01-02', 105, 205, 0), ('2024-01-03', 105, 206, 0)"));
    EXPECT_EQ(letters(reg.db(), 30).size(), 2u);
    {
        reminders::Letters source(reg.db(), 30, endOfMarch);
        EXPECT_EQ(source.nameless(), 2);
        EXPECT_TRUE(reminders::namelessNote(source.nameless()).contains(QStringLiteral("(počet: 2)")));
    }
    EXPECT_EQ(painted(reg.db(), 30, owner).size(), 2u);
    reg.exec(QStringLiteral("DELETE FROM pujcovani WHERE idcloveka IN (205, 206)"));

    // No owner entered: no lines of it, the day alone.
    pages = painted(reg.db(), 30, {});
    EXPECT_EQ(pages[0].texts.first(), "31. března 2024");
    EXPECT_EQ(pages[0].texts.last(), "S pozdravem");

    // A borrower of more discs than a page holds gets the pages the list needs, then the
    // next borrower a page of his own.
    for (int i = 0; i < 120; ++i)
        reg.exec(QStringLiteral("INSERT INTO cd (idcd, nazev) VALUES (%1, 'Disk %2'); INSERT INTO pujcovani "
                                "(datumpujceni, idcd, idcloveka, vraceno) VALUES ('2024-01-01', %1, 201, 0)")
                     .arg(1000 + i)
                     .arg(i, 3, 10, QLatin1Char('0')));
    pages = painted(reg.db(), 30, owner);
    ASSERT_GT(pages.size(), 3u);
    // The last disc on the last page, or on the one before when the table filled it.
    EXPECT_TRUE(pages.back().texts.contains("Disk 119") || pages[pages.size() - 2].texts.contains("Disk 119"));
    EXPECT_EQ(pages.back().texts.last(), "Jan Sběratel");
    EXPECT_TRUE(pages[1].texts.contains("Eva Svobodová"));
    EXPECT_FALSE(pages[1].texts.contains("Zdena A & <b>"));
    // Each page the list goes on over says whose letter it is, and the table's header.
    for (size_t p = 2; p + 1 < pages.size(); ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(pages[p].texts.value(0), "Eva Svobodová – pokračování");
        EXPECT_EQ(pages[p].texts.value(1), "Název");
    }
}

// Names of the longest a field holds: the addressee in two lines ending with "…", the
// disc's name in a cell's lines; the letter stays one page, and its continued pages (a list of
// many discs) carry the same two lines.
TEST(Reminders, ALongNameIsCutNotPrintedOverPages)
{
    TempRegister reg;
    reg.exec(QStringLiteral("INSERT INTO lide (idcloveka, jmeno, prijmeni) VALUES (201, 'Eva', "
                            "replace(hex(zeroblob(32767)), '00', 'Ž'));"
                            "INSERT INTO cd (idcd, nazev) VALUES (101, replace(hex(zeroblob(32767)), '00', 'Ř'));"
                            "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) VALUES ('2024-01-01', 101, "
                            "201, 0)"));
    std::vector<RecordingCanvas::Page> pages = painted(reg.db(), 30, {});
    ASSERT_EQ(pages.size(), 1u);
    const QStringList& texts = pages[0].texts;
    // A word wider than the line begins a line of its own.
    const qsizetype name = texts.indexOf(QStringLiteral("Eva"));
    ASSERT_GE(name, 0) << texts.join('\n').left(300).toStdString();
    EXPECT_TRUE(texts[name + 1].contains(QRegularExpression(QStringLiteral("^Ž+…$"))));
    EXPECT_EQ(texts[name + 2], "Dobrý den,");
    EXPECT_EQ(texts.filter(QRegularExpression(QStringLiteral("^Ř+-?…?$"))).size(), TextLines::valueLines);

    for (int i = 0; i < 120; ++i)
        reg.exec(QStringLiteral("INSERT INTO cd (idcd, nazev) VALUES (%1, 'Disk %1'); INSERT INTO pujcovani "
                                "(datumpujceni, idcd, idcloveka, vraceno) VALUES ('2024-01-02', %1, 201, 0)")
                     .arg(1000 + i));
    pages = painted(reg.db(), 30, {});
    ASSERT_GT(pages.size(), 2u);
    EXPECT_EQ(pages[1].texts.value(0), "Eva");
    EXPECT_TRUE(pages[1].texts.value(1).contains(QRegularExpression(QStringLiteral("^Ž+…$"))));
    EXPECT_EQ(pages[1].texts.value(2), "– pokračování");
    EXPECT_EQ(pages[1].texts.value(3), "Název");
}

// What a letter says of the discs: the description and how many of what kind in the table,
// one disc or more in its sentences (a set of three DVDs is more), in the tone chosen:
// vykání, or tykání with the first name in the vocative where the program is sure of it.
TEST(Reminders, SayTheDiscsAndTheirSetsInTheToneChosen)
{
    struct Case
    {
        const char* who;   // first name
        const char* discs; // the discs lent, as SQL values (name, popis, pocetdisku, typdisku)
        bool informal;
        QStringList expected; // texts the letter shows
    };
    const std::vector<Case> cases{
        {"Jana",
         "('Gold', 'ABBA', 1, 'Audio CD')",
         false,
         {"Dobrý den,", "dovoluji si Vám připomenout, že máte stále vypůjčený tento disk:", "Gold", "ABBA",
          "1× Audio CD", "Popis", "Disky", "Prosím Vás o jeho vrácení do 14. dubna 2024. Děkuji.", "S pozdravem"}},
        {"Petr",
         "('Pan Tau – kompletní seriál', NULL, 3, 'DVD')",
         false,
         {"dovoluji si Vám připomenout, že máte stále vypůjčené tyto disky:", "3× DVD",
          "Prosím Vás o jejich vrácení do 14. dubna 2024. Děkuji."}},
        {"Jana",
         "('Gold', 'ABBA', NULL, NULL)",
         true,
         {"Ahoj Jano,", "chci ti připomenout, že máš pořád půjčený tento disk:",
          "Prosím tě o jeho vrácení do 14. dubna 2024. Díky.", "Měj se"}},
        {"Xaver",
         "('Gold', NULL, 2, NULL), ('Stříbro', NULL, 0, 'LP')",
         true,
         {"Ahoj,", "chci ti připomenout, že máš pořád půjčené tyto disky:", "2", "LP",
          "Prosím tě o jejich vrácení do 14. dubna 2024. Díky."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.discs);
        TempRegister reg;
        reg.exec(QStringLiteral("INSERT INTO lide (idcloveka, jmeno, prijmeni) VALUES (201, '%1', 'Nová');"
                                "INSERT INTO cd (nazev, popis, pocetdisku, typdisku) VALUES %2;"
                                "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) SELECT '2024-01-01', "
                                "idcd, 201, 0 FROM cd")
                     .arg(QString::fromUtf8(c.who), QString::fromUtf8(c.discs)));
        reminders::Owner owner;
        owner.informal = c.informal;
        const std::vector<RecordingCanvas::Page> pages = painted(reg.db(), 30, owner);
        ASSERT_EQ(pages.size(), 1u);
        for (const QString& text : c.expected)
            EXPECT_TRUE(pages[0].texts.contains(text))
                << text.toStdString() << " in " << pages[0].texts.join(" | ").toStdString();
    }
}

TEST(Overview, CountsTiesInCzechOrderAndSaysWhatItLeftOut)
{
    TempRegister reg;
    fill(reg);
    // A loan of a person no longer in the register, left by another program.
    reg.exec(QStringLiteral("PRAGMA foreign_keys = OFF; INSERT INTO pujcovani (idvypujcky, datumpujceni, idcd, "
                            "idcloveka, vraceno) VALUES (399, '2024-01-01', 105, 999, 0); PRAGMA foreign_keys = ON;"));
    Status status = Status::success();
    const overview::Figures f = overview::compute(reg.db(), endOfMarch, status);
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_EQ(f.discs, 6);
    EXPECT_EQ(f.people, 4);
    EXPECT_EQ(f.loans, 10);
    EXPECT_EQ(f.discsOut, 4);
    EXPECT_EQ(f.neverLent, 1); // "Nikdy": its one loan is the stray one
    EXPECT_EQ(f.orphanLoans, 1);
    // Hrad, Chata, Cukr and Čaj are lent twice each: in Czech, H before Ch and C before Č.
    QStringList discs;
    for (const overview::Ranked& r : f.mostLentDiscs)
        discs << QStringLiteral("%1 %2").arg(r.name).arg(r.loans);
    EXPECT_EQ(discs, QStringList({"Cukr 2", "Čaj 2", "Hrad 2", "Chata 2", "Jen jednou 2"}));
    QStringList people;
    for (const overview::Ranked& r : f.mostBorrowing)
        people << QStringLiteral("%1 %2").arg(r.name).arg(r.loans);
    EXPECT_EQ(people, QStringList({"Karel Vrátil 4", "Eva Svobodová 3", "Petr Šťastný 2", "Zdena A & <b> 1"}));
    // Returned in 2, 4, 10 and 20 days; one returned before it was lent and one without its
    // day of lending are left out.
    EXPECT_EQ(f.returnedCounted, 4);
    EXPECT_EQ(f.returnedUncounted, 2);
    ASSERT_TRUE(f.averageDays && f.medianDays);
    EXPECT_DOUBLE_EQ(*f.averageDays, 9);
    EXPECT_DOUBLE_EQ(*f.medianDays, 7);
    ASSERT_EQ(f.longestOut.size(), 4u);
    EXPECT_EQ(f.longestOut[0].disc, "Chata");
    EXPECT_EQ(f.longestOut[0].daysOut, 76);
    EXPECT_EQ(f.longestOut[3].disc, "Čaj");

    QStringList shown;
    for (const overview::Line& line : overview::lines(f))
        shown << line.text + QLatin1Char('|') + line.value;
    EXPECT_TRUE(shown.contains("Medián|7 dní"));
    EXPECT_TRUE(shown.contains("Průměr|9 dní"));
    EXPECT_EQ(
        shown
            .filter("Nezapočtené vrácené výpůjčky (bez platného data půjčení nebo vrácení, nebo vrácené dříve, než "
                    "byly půjčeny): 2.")
            .size(),
        1);
    EXPECT_EQ(shown.filter("Výpůjčky disků nebo lidí, kteří už v evidenci nejsou (nikde nezapočtené): 1.").size(), 1);
}

TEST(Overview, OfAnEmptyRegisterShowsDashesNeverNaN)
{
    TempRegister reg;
    Status status = Status::success();
    const overview::Figures f = overview::compute(reg.db(), endOfMarch, status);
    ASSERT_TRUE(status.ok());
    EXPECT_FALSE(f.averageDays || f.medianDays);
    QStringList shown;
    for (const overview::Line& line : overview::lines(f))
        shown << line.text + QLatin1Char('|') + line.value;
    EXPECT_TRUE(shown.contains("Průměr|—"));
    EXPECT_TRUE(shown.contains("Medián|—"));
    EXPECT_EQ(shown.count("—|"), 4); // the three rankings and the loans out
    EXPECT_TRUE(shown.filter(QStringLiteral("nan"), Qt::CaseInsensitive).isEmpty());

    struct Case
    {
        std::optional<double> days;
        const char* shown;
    };
    const Case cases[] = {{1, "1 den"},       {2, "2 dny"},    {4, "4 dny"},        {5, "5 dní"},       {0, "0 dní"},
                          {12.5, "12,5 dne"}, {1.04, "1 den"}, {std::nullopt, "—"}, {std::nan(""), "—"}};
    for (const Case& c : cases)
        EXPECT_EQ(overview::days(c.days), QString::fromUtf8(c.shown));
}

// The overview's limits and edges: a loan returned the day it was lent lasted 0 days and is
// counted; one dated after today is never among the longest out; the people who borrow most
// are ten, however many there are.
TEST(Overview, CountsASameDayReturnLeavesOutTheFutureAndListsTenAtMost)
{
    TempRegister reg;
    QString sql = QStringLiteral("INSERT INTO cd (idcd, nazev) VALUES (101, 'Jeden'), (102, 'Zítra');");
    for (int p = 0; p < 12; ++p)
        sql += QStringLiteral("INSERT INTO lide (idcloveka, jmeno, prijmeni) VALUES (%1, 'Člověk', '%2');"
                              "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno, datumvraceni) "
                              "VALUES ('2024-03-01', 101, %1, 1, '2024-03-01');")
                   .arg(200 + p)
                   .arg(QChar(u'A' + p));
    sql += QStringLiteral("INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) VALUES "
                          "('2024-04-01', 102, 200, 0), ('2024-03-30', 101, 201, 0)");
    reg.exec(sql);
    Status status = Status::success();
    const overview::Figures f = overview::compute(reg.db(), endOfMarch, status);
    ASSERT_TRUE(status.ok());
    EXPECT_EQ(f.returnedCounted, 12);
    EXPECT_EQ(f.returnedUncounted, 0);
    ASSERT_TRUE(f.averageDays.has_value());
    EXPECT_DOUBLE_EQ(*f.averageDays, 0);
    ASSERT_EQ(f.longestOut.size(), 1u);
    EXPECT_EQ(f.longestOut[0].disc, "Jeden");
    EXPECT_EQ(f.longestOut[0].daysOut, 1);
    EXPECT_EQ(f.mostBorrowing.size(), 10u);
    EXPECT_EQ(f.mostLentDiscs.size(), 2u);
    // Again on the same connection, a statement of the window's open meanwhile: the same
    // figures (the loans are read into the connection's own table anew), and nothing of
    // them left behind.
    Statement open(reg.db(), QStringLiteral("SELECT idcd FROM cd"));
    ASSERT_EQ(open.step(), Statement::Step::Row);
    const overview::Figures again = overview::compute(reg.db(), endOfMarch, status);
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_EQ(overview::lines(again).size(), overview::lines(f).size());
    EXPECT_EQ(again.loans, f.loans);
    EXPECT_EQ(again.mostLentDiscs[0].loans, 13);
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM temp.prehled_vypujcky")), "0");
}

// Two borrowers of one name get a letter each, with their own discs only.
TEST(Reminders, PeopleOfOneNameGetALetterEachWithTheirOwnDiscs)
{
    TempRegister reg;
    reg.exec(QStringLiteral(
        "INSERT INTO lide (idcloveka, jmeno, prijmeni) VALUES (201, 'Jan', 'Novák'), (202, 'Jan', 'Novák');"
        "INSERT INTO cd (idcd, nazev) VALUES (101, 'A'), (102, 'B'), (103, 'C'), (104, 'D');"
        "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) VALUES ('2024-01-01', 101, 201, 0), "
        "('2024-01-02', 102, 202, 0), ('2024-01-03', 103, 201, 0), ('2024-01-04', 104, 202, 0)"));
    const std::vector<reminders::Letter> all = letters(reg.db(), 30);
    ASSERT_EQ(all.size(), 2u);
    QStringList discs;
    for (const reminders::Letter& letter : all) {
        QStringList own;
        for (const reminders::Loan& loan : letter.loans)
            own << loan.disc;
        discs << own.join(QLatin1Char('+'));
    }
    EXPECT_EQ(discs, QStringList({"A+C", "B+D"}));
}

// A list of ten says who it left out with the tenth's number, in Czech numbers and cases; who
// has the most discs out now is a list of its own.
TEST(Overview, SaysTheTiesItLeftOutAndWhoHasMostOutNow)
{
    struct Said
    {
        qint64 more, number;
        bool people, out;
        const char* text;
    };
    for (const Said& s : std::initializer_list<Said>{{1, 1, false, false, "a další disk s 1 výpůjčkou"},
                                                     {13, 3, false, false, "a dalších 13 disků se 3 výpůjčkami"},
                                                     {4, 8, false, false, "a další 4 disky s 8 výpůjčkami"},
                                                     {5, 20, true, false, "a dalších 5 lidí se 20 výpůjčkami"},
                                                     {1, 100, true, false, "a další člověk se 100 výpůjčkami"},
                                                     {3, 1000, false, false, "a další 3 disky s 1000 výpůjčkami"},
                                                     {2, 1, true, true, "a další 2 lidé s 1 půjčeným diskem"},
                                                     {2, 17, true, true, "a další 2 lidé se 17 půjčenými disky"},
                                                     {0, 5, false, false, ""}})
        EXPECT_EQ(overview::alsoAlike(s.more, s.number, s.people, s.out), QString::fromUtf8(s.text)) << s.text;

    // Twelve people, each with three loans of discs of their own, two of them out: two of the
    // people and two of the discs are left out of each list of ten, and said.
    TempRegister reg;
    for (int p = 0; p < 12; ++p) {
        const qint64 person = reg.addPerson(QStringLiteral("Člověk"), QStringLiteral("Č%1").arg(p, 2, 10, QChar('0')));
        for (int d = 0; d < 3; ++d)
            reg.addLoan(reg.addCd(QStringLiteral("Disk %1-%2").arg(p).arg(d)), person);
        reg.exec(QStringLiteral("UPDATE pujcovani SET vraceno = 1, datumvraceni = '2026-02-01' WHERE idvypujcky = "
                                "(SELECT min(idvypujcky) FROM pujcovani WHERE idcloveka = %1)")
                     .arg(person));
    }
    Status status = Status::success();
    const overview::Figures f = overview::compute(reg.db(), endOfMarch, status);
    ASSERT_TRUE(status.ok());
    EXPECT_EQ(f.mostOutNow.size(), 10u);
    EXPECT_EQ(f.mostOutNow.front().loans, 2);
    QStringList texts;
    for (const overview::Line& line : overview::lines(f))
        texts << line.text + QLatin1Char('|') + line.value;
    for (const char* expected :
         {"a dalších 26 disků s 1 výpůjčkou|", "a další 2 lidé se 3 výpůjčkami|", "Kdo má právě nejvíc disků|",
          "1. Člověk Č00|2", "a další 2 lidé se 2 půjčenými disky|"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected << "\n" << texts.join('\n').toStdString();
}

// The loans by year (to this one) and by each of the last twelve months, a day that is no day
// and the future left out; the page draws a bar for each count, as tall as the count.
TEST(Overview, ChartsCountTheLoansByYearAndByMonth)
{
    TempRegister reg;
    fill(reg);
    reg.exec(QStringLiteral("INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) VALUES "
                            "('2024-05-01', 105, 201, 0), ('2024-02-30', 105, 201, 0)"));
    Status status = Status::success();
    const overview::Figures f = overview::compute(reg.db(), endOfMarch, status);
    ASSERT_TRUE(status.ok());
    const auto shown = [](const std::vector<Bar>& bars) {
        QStringList all;
        for (const Bar& bar : bars)
            all << QStringLiteral("%1:%2").arg(bar.label).arg(bar.count);
        return all.join(QLatin1Char(' '));
    };
    EXPECT_EQ(shown(f.byYear), "2023:4 2024:5");
    EXPECT_EQ(shown(f.byMonth), "dub:0 kvě:0 čvn:1 čvc:1 srp:1 zář:1 říj:0 lis:0 pro:0 led:2 úno:2 bře:1");

    QBuffer nowhere;
    nowhere.open(QIODevice::WriteOnly);
    QPdfWriter device(&nowhere);
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    RecordingCanvas canvas;
    ASSERT_TRUE(overview::paintPage(f, endOfMarch, device, canvas));
    QList<QRectF> boxes;
    for (const RecordingCanvas::Page& page : canvas.pages)
        boxes << page.boxes;
    ASSERT_EQ(boxes.size(), 9); // a bar for each count that is not 0
    EXPECT_NEAR(boxes[0].height() * 5, boxes[1].height() * 4, 1e-6) << "2023's 4 against 2024's 5";
    EXPECT_NEAR(boxes[2].height() * 2, boxes[6].height(), 1e-6) << "June's 1 against January's 2";
}

// "Kdo má co půjčeno": every disc out now under its borrower, two people of one name apart,
// the contact once and whole, someone without a name too (first: no surname); a returned loan
// nowhere.
TEST(Borrowers, EveryDiscOutGroupedByBorrowerTwoOfOneNameApart)
{
    TempRegister reg;
    reg.exec(QStringLiteral(R"(
        INSERT INTO lide (idcloveka, jmeno, prijmeni, telefon, email) VALUES
            (201, 'Jan', 'Novák', '+420 724 555 101', 'jan@example.cz'), (202, 'Jan', 'Novák', NULL, NULL),
            (203, NULL, ' ', NULL, NULL);
        INSERT INTO cd (idcd, nazev, pocetdisku, typdisku) VALUES (101, 'Gold', 1, 'CD'), (102, 'Pan Tau', 3, 'DVD'),
            (103, 'Vrácené', NULL, NULL), (104, 'Bezejmenný', NULL, NULL);
        INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) VALUES
            ('2024-03-01', 101, 201, 0), ('2024-03-11', 102, 201, 0), ('2024-02-01', 102, 202, 0),
            ('2024-01-01', 103, 202, 1), ('2024-03-30', 104, 203, 0);)"));
    QBuffer nowhere;
    nowhere.open(QIODevice::WriteOnly);
    QPdfWriter device(&nowhere);
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    RecordingCanvas canvas;
    ASSERT_TRUE(borrowers::paintList(reg.db(), endOfMarch, std::nullopt, device, canvas).ok());
    ASSERT_EQ(canvas.pages.size(), 1u);
    QStringList texts = canvas.pages[0].texts;
    EXPECT_EQ(texts.count("Jan Novák"), 2);
    const qsizetype first = texts.indexOf("Jan Novák");
    const qsizetype second = texts.indexOf("Jan Novák", first + 1);
    const qsizetype nameless = texts.indexOf("(bez jména)");
    EXPECT_TRUE(nameless < first && first < second) << texts.join(" | ").toStdString();
    EXPECT_FALSE(texts.contains("Nikdo nemá nic půjčeno."));
    EXPECT_EQ(texts.value(first + 1), "+420 724 555 101 · jan@example.cz");
    const QStringList jans = texts.mid(first, second - first);
    EXPECT_TRUE(jans.contains("Gold") && jans.contains("3× DVD") && jans.contains("Půjčeno: 2"));
    const QStringList other = texts.mid(second);
    EXPECT_TRUE(other.contains("Pan Tau") && other.contains("Půjčeno: 1") && !other.contains("Vrácené"));
    EXPECT_TRUE(texts.contains("Bezejmenný"));
    EXPECT_FALSE(texts.contains("Vrácené"));
    EXPECT_EQ(texts.constLast(), "Strana 1 z 1");

    // Lent too long, grouped alike: out 30 days is not longer than 30; nobody past 100.
    for (const auto& [days, people, shown] : {std::tuple{30, 1, "Pan Tau"}, {100, 0, ""}}) {
        RecordingCanvas tooLong;
        ASSERT_TRUE(borrowers::paintList(reg.db(), endOfMarch, days, device, tooLong).ok());
        texts = tooLong.pages.at(0).texts;
        EXPECT_EQ(texts.value(0), borrowers::title(days));
        EXPECT_EQ(texts.count("Jan Novák"), people) << texts.join(" | ").toStdString();
        EXPECT_FALSE(texts.contains("Gold") || texts.contains("Bezejmenný"));
        EXPECT_EQ(texts.contains(QString::fromUtf8(shown)), people > 0);
        EXPECT_EQ(texts.contains(QStringLiteral("Nikdo nemá nic půjčeno déle než 100 dní.")), people == 0);
    }
    EXPECT_EQ(borrowers::title(30), "Dlouho půjčená CD (déle než 30 dní)");
}
