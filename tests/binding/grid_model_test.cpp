// The grid's own sort: Czech collation for text, numbers as numbers, the
// record source untouched.
#include "binding/grid_model.h"
#include "binding/record_source.h"
#include "qt_printers.h"
#include "temp_register.h"

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QStringList shown(const GridModel& model, int column)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values << model.data(model.index(row, column)).toString();
    return values;
}

// Whether a may come before b: numbers first by value, then text by Czech collation.
bool inOrder(const QString& a, const QString& b)
{
    static const QCollator collator = [] {
        QCollator czech{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
        czech.setCaseSensitivity(Qt::CaseInsensitive);
        return czech;
    }();
    static const QRegularExpression decimal(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)\\s*$"));
    const bool aNumber = decimal.match(a).hasMatch();
    const bool bNumber = decimal.match(b).hasMatch();
    const double x = a.toDouble();
    const double y = b.toDouble();
    if (aNumber != bNumber)
        return aNumber;
    return aNumber ? x <= y : collator.compare(a, b) <= 0;
}

} // namespace

TEST(GridModel, SortsCzechTextAndNumbersWithoutTouchingTheSource)
{
    TempRegister reg;
    // Only ordinary decimal numbers count as numbers: "nan" or "Infinity" are names.
    for (const char* name : {"hrad", "Chata", "Čáp", "nan", "cibule", "Cesta", "Žába", "zebra", "10", "Infinity", "9",
                             "ábel", "-2.5", "Adam", "1e3", "čáp"})
        reg.addCd(QString::fromUtf8(name));
    RecordSource source(reg, QStringLiteral("cd"));
    source.setHeldColumns({0}); // the names are read for every row when the grid first sorts by them
    ASSERT_TRUE(source.refresh().ok());
    GridModel model(source);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    EXPECT_EQ(model.columnCount(), 8);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("nazev"));
    model.sortRows(1, Qt::AscendingOrder);
    EXPECT_EQ(shown(model, 1), QStringList({"-2.5", "9", "10", "1e3", "ábel", "Adam", "Cesta", "cibule", "Čáp", "čáp",
                                            "hrad", "Chata", "Infinity", "nan", "zebra", "Žába"}))
        << "names that differ only in case sort alike and keep the order they had";
    model.sortRows(1, Qt::DescendingOrder);
    EXPECT_EQ(shown(model, 1).first(), QStringLiteral("Žába"));
    EXPECT_EQ(shown(model, 1).mid(6, 2), QStringList({"Čáp", "čáp"}));
    EXPECT_EQ(shown(model, 1).last(), QStringLiteral("-2.5"));
    // Only the grid's order changed: the source still has its own order and current record.
    EXPECT_EQ(source.cell(0, 1), QStringLiteral("hrad"));
    EXPECT_EQ(source.absolutePosition(), 0);

    // A refresh reloads the rows in the source's order and restores the header texts.
    model.setHeaderText(1, QStringLiteral("Název"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Název"));
    source.setRecordSource(queries::cdNameContains(QStringLiteral("a")));
    ASSERT_TRUE(source.refresh().ok());
    EXPECT_EQ(model.rowCount(), source.recordCount());
    EXPECT_EQ(shown(model, 1).first(), QStringLiteral("hrad"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("nazev"));
}

// Yes/no shows and sorts as -1 and 0, a date shows with the whole year and sorts by the
// day it is, not by its text ("15.1.2026" before "6.12.2025" as text).
TEST(GridModel, ShowsAndSortsYesNoAndDatesByWhatTheyAre)
{
    TempRegister reg;
    const qint64 cd = reg.addCd(QStringLiteral("A"));
    const qint64 person = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    qint64 loans[3] = {};
    for (qint64& loan : loans)
        loan = reg.addLoan(cd, person);
    reg.exec(QStringLiteral("UPDATE pujcovani SET vraceno = 1, datumvraceni = '2026-12-06' WHERE idvypujcky = %1; "
                            "UPDATE pujcovani SET datumpujceni = '2025-12-06' WHERE idvypujcky = %2")
                 .arg(loans[1])
                 .arg(loans[2]));
    RecordSource source(reg, QStringLiteral("vypujcky"));
    ASSERT_TRUE(source.refresh().ok());
    GridModel model(source);
    EXPECT_EQ(shown(model, 6), QStringList({"0", "-1", "0"}));
    EXPECT_EQ(shown(model, 1), QStringList({"15.1.2026", "15.1.2026", "6.12.2025"}));
    EXPECT_EQ(shown(model, 2), QStringList({"", "6.12.2026", ""}));
    model.sortRows(1, Qt::AscendingOrder);
    EXPECT_EQ(shown(model, 1), QStringList({"6.12.2025", "15.1.2026", "15.1.2026"}));
    model.sortRows(6, Qt::AscendingOrder);
    EXPECT_EQ(shown(model, 6), QStringList({"-1", "0", "0"}));
}

// Lists sorted again and again while names change, appear and disappear (the strings
// read from the file are shared and reused between sorts): every sort is in order.
TEST(GridModel, RepeatedSortsStayInOrderWhileTheTextsChange)
{
    TempRegister reg;
    const QStringList pool = {"Čáp", "čáp", "cibule", "Chata", "hrad", "10", "9", "", "Žába", "Adam", "ábel", "1e3"};
    for (int i = 0; i < 60; ++i)
        reg.addCd(pool[i % pool.size()]);
    RecordSource source(reg, QStringLiteral("cd"));
    source.setHeldColumns({1});
    ASSERT_TRUE(source.refresh().ok());
    GridModel model(source);
    QRandomGenerator random(3);
    for (int round = 0; round < 40; ++round) {
        const QString name = pool[random.bounded(static_cast<int>(pool.size()))] + QString::number(random.bounded(3));
        const int action = random.bounded(4);
        switch (action) {
        case 0:
            reg.addCd(name);
            break;
        case 3: // an edit stored through the source itself, sorted without a refresh
            source.setFieldText(QStringLiteral("nazev"), name);
            ASSERT_TRUE(source.update().ok());
            break;
        case 1:
            reg.exec(QStringLiteral(
                         "UPDATE cd SET nazev = '%1' WHERE idcd IN (SELECT idcd FROM cd ORDER BY random() LIMIT 5)")
                         .arg(name));
            break;
        default:
            reg.exec(QStringLiteral("DELETE FROM cd WHERE idcd IN (SELECT idcd FROM cd ORDER BY random() LIMIT 3)"));
        }
        if (action != 3) {
            source.setRecordSource(random.bounded(2) ? queries::all(QStringLiteral("cd"))
                                                     : queries::cdNameContains(pool[random.bounded(4)].left(1)));
            ASSERT_TRUE(source.refresh().ok());
        }
        const bool ascending = random.bounded(2) == 0;
        model.sortRows(1, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        const QStringList values = shown(model, 1);
        for (qsizetype i = 1; i < values.size(); ++i)
            ASSERT_TRUE(ascending ? inOrder(values[i - 1], values[i]) : inOrder(values[i], values[i - 1]))
                << "round " << round << ": " << values[i - 1].toStdString() << " before " << values[i].toStdString();
        QStringList expected;
        for (int row = 0; row < source.recordCount(); ++row)
            expected << source.cell(row, 1);
        QStringList sortedValues = values;
        sortedValues.sort();
        expected.sort();
        ASSERT_EQ(sortedValues, expected) << "round " << round;
    }
}
