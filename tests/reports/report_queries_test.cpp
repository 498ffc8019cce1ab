// Which loans are lent too long, counted from their day to the day asked for; what prints.
#include "core/long_loans.h"
#include "qt_printers.h"
#include "reports/printables.h"
#include "storage/database.h"
#include "temp_register.h"
#include "transfer/export_rows.h"

#include <gtest/gtest.h>

namespace {

// The discs of the list of loans lent too long, with their days out, in the list's order.
QStringList lentTooLong(Database& db, int days, const QDate& today)
{
    Status status = Status::success();
    const exportrows::Listing listing = exportrows::select(db, QStringLiteral("dlouho"), status, {days, today});
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    QStringList rows;
    if (!status.ok())
        return rows;
    while (listing.rows->step() == Statement::Step::Row)
        rows << listing.rows->columnText(0) + QLatin1Char(' ') + listing.rows->columnText(6);
    EXPECT_EQ(exportrows::count(db, QStringLiteral("dlouho"), status, {days, today}), rows.size());
    return rows;
}

} // namespace

TEST(LongLoans, AreThoseOutMoreDaysThanAskedNeverTheReturnedOnes)
{
    TempRegister reg;
    reg.exec(QStringLiteral(R"(
        INSERT INTO lide (idcloveka, jmeno, prijmeni, telefon, email) VALUES
            (201, 'Eva', 'Dvořáková', '777 1', 'eva@example.cz'), (202, 'Petr', 'Šťastný', NULL, NULL);
        INSERT INTO cd (idcd, nazev) VALUES (101, 'Přestupný'), (102, 'Třicet'), (103, 'Dvacet devět'),
            (104, 'Vrácený'), (105, 'Bez data'), (106, 'Budoucí'), (107, 'Přes rok');
        INSERT INTO pujcovani (idvypujcky, datumpujceni, idcd, idcloveka, vraceno, datumvraceni) VALUES
            (301, '2024-02-29', 101, 201, 0, NULL),
            (302, '2024-03-01', 102, 202, 0, NULL),
            (303, '2024-03-02', 103, 201, 0, NULL),
            (304, '2023-01-01', 104, 201, 1, '2023-02-01'),
            (305, NULL, 105, 202, 0, NULL),
            (306, '2024-04-10', 106, 202, 0, NULL),
            (307, '2023-12-31', 107, 201, 0, NULL);)"));
    // Counted to the last day of March 2024: 29 February is 31 days back, 1 March 30.
    const QDate endOfMarch(2024, 3, 31);
    struct Case
    {
        int days;
        QStringList expected;
    };
    const Case cases[] = {
        {30, {"Přes rok 91", "Přestupný 31"}},
        {31, {"Přes rok 91"}},
        {29, {"Přes rok 91", "Přestupný 31", "Třicet 30"}},
        {28, {"Přes rok 91", "Přestupný 31", "Třicet 30", "Dvacet devět 29"}},
        {0, {"Přes rok 91", "Přestupný 31", "Třicet 30", "Dvacet devět 29"}},
        {91, {}},
        {longloans::mostDays, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.days);
        EXPECT_EQ(lentTooLong(reg.db(), c.days, endOfMarch), c.expected);
    }
    // Across a year's end and a month of 31 days.
    EXPECT_EQ(lentTooLong(reg.db(), 0, QDate(2024, 1, 1)), QStringList{"Přes rok 1"});
    EXPECT_EQ(lentTooLong(reg.db(), 30, QDate(2024, 1, 30)), QStringList());
    EXPECT_EQ(lentTooLong(reg.db(), 30, QDate(2024, 1, 31)), QStringList{"Přes rok 31"});
}

// The one table of what prints: each list prints with a layout of its own and exports too,
// each name and each option is there once, and only what counts days takes them.
TEST(Printables, EachListHasItsLayoutAndExportAndEachNameIsOnce)
{
    QStringList names, objects, stems;
    for (const printables::Printable& p : printables::all()) {
        names << p.name;
        objects << p.object;
        stems << p.stem;
        const bool list = p.form == printables::Form::List;
        EXPECT_EQ(listreport::names().contains(p.name), list) << p.name.toStdString();
        // The discs lent too long are exported a row a loan and printed grouped by borrower.
        EXPECT_EQ(exportrows::names().contains(p.name), list || p.name == QLatin1String("dlouho"))
            << p.name.toStdString();
        EXPECT_EQ(listreport::layoutOf(p.name).fields.empty(), !list) << p.name.toStdString();
        EXPECT_EQ(p.takesDays, p.name == QLatin1String("dlouho") || p.name == QLatin1String("upominky"));
        EXPECT_EQ(printables::find(p.name), &p);
    }
    for (QStringList column : {names, objects, stems})
        EXPECT_EQ(column.removeDuplicates(), 0) << column.join(u' ').toStdString();
    EXPECT_EQ(listreport::names().size(), 5);
    EXPECT_EQ(printables::find(QStringLiteral("CD")), nullptr);
}
