// Record sources: the commit rule, the columns held for every row, and the
// matching of searches (typed text is matched as itself, case ignored).
#include "binding/grid_model.h"
#include "binding/record_source.h"
#include "qt_printers.h"
#include "temp_register.h"

#include <gtest/gtest.h>

TEST(RecordSource, PendingEditsAreStoredAtRefreshAndMoveButNeverWithoutAnEdit)
{
    TempRegister reg;
    const qint64 a = reg.addCd(QStringLiteral("A"));
    reg.addCd(QStringLiteral("B"));
    RecordSource source(reg, QStringLiteral("cd"));
    ASSERT_TRUE(source.refresh().ok());

    // Nothing typed: moving and refreshing store nothing.
    ASSERT_TRUE(source.moveNext().ok());
    ASSERT_TRUE(source.refresh().ok());
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev FROM cd ORDER BY idcd")), QStringList({"A", "B"}));

    // An edit waits until the next move...
    source.setFieldText(QStringLiteral("nazev"), QStringLiteral("Á nové"));
    source.setFieldText(QStringLiteral("pocetdisku"), QStringLiteral("3"));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT nazev FROM cd WHERE idcd = %1").arg(a)), QStringLiteral("A"));
    ASSERT_TRUE(source.moveNext().ok());
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev, pocetdisku, typeof(pocetdisku) FROM cd WHERE idcd = %1").arg(a)),
              QStringList(QStringLiteral("Á nové|3|integer")));

    // ... or the next refresh, and the re-query shows it.
    source.setFieldText(QStringLiteral("original"), QStringLiteral("1"));
    ASSERT_TRUE(source.refresh().ok());
    EXPECT_EQ(source.displayText(1, source.columnIndex(QStringLiteral("original"))), QStringLiteral("-1"));

    // A value its field cannot hold is refused in the windows' words, and nothing is stored.
    source.setFieldText(QStringLiteral("nazev"), QStringLiteral("C"));
    source.setFieldText(QStringLiteral("pocetdisku"), QStringLiteral("pět"));
    EXPECT_EQ(source.refresh().message(), QStringLiteral("Počet disků musí být číslo"));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev FROM cd ORDER BY idcd")), QStringList({"Á nové", "B"}));
    EXPECT_FALSE(reg.db().inTransaction());
}

// A record another copy of the program deleted after it was read: its edit, or the return
// of its loan, is refused instead of reported as stored, and the list re-queries.
TEST(RecordSource, AnEditOfARecordDeletedMeanwhileIsRefused)
{
    for (const char* table : {"cd", "nevracenecd"}) {
        TempRegister reg;
        reg.addLoan(reg.addCd(QStringLiteral("A")), reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák")));
        RecordSource source(reg, QString::fromLatin1(table));
        ASSERT_TRUE(source.refresh().ok());
        Status status = Status::success();
        ASSERT_TRUE(Register::open(reg.path(), status)->db().exec(QStringLiteral("DELETE FROM cd")).ok());
        source.setFieldText(QStringLiteral("original"), QStringLiteral("1"));
        source.setFieldText(QStringLiteral("vraceno"), QStringLiteral("1"));
        EXPECT_EQ(source.refresh().message(),
                  QStringLiteral("Záznam už v evidenci není, mezitím byl smazán; nic nebylo uloženo."))
            << table;
        EXPECT_TRUE(source.refresh().ok());
        EXPECT_EQ(source.recordCount(), 0);
        EXPECT_EQ(reg.value(QStringLiteral("SELECT (SELECT count(*) FROM cd) + (SELECT count(*) FROM pujcovani)")),
                  QStringLiteral("0"));
    }
}

TEST(RecordSource, SearchMatchesTypedTextLiterallyAndIgnoresCzechCase)
{
    TempRegister reg;
    for (const char* name : {"Čarodějův učeň", "ČERNÁ LABUŤ", "Tom's Diner", "100% Hits", "a_b", "axb", "Hvězdy*",
                             "Hvězdy navždy", "Šťastné číslo"})
        reg.addCd(QString::fromUtf8(name));
    reg.exec(QStringLiteral("INSERT INTO cd (nazev) VALUES (NULL)"));
    auto names = [&reg](const SourceQuery& query) {
        RecordSource source(reg, QStringLiteral("cd"));
        source.setRecordSource(query);
        EXPECT_TRUE(source.refresh().ok());
        QStringList result;
        for (int row = 0; row < source.recordCount(); ++row)
            result << source.cell(row, 1);
        result.sort();
        return result;
    };
    const struct
    {
        const char* typed;
        QStringList found;
    } searches[] = {{"č", {"ČERNÁ LABUŤ", "Čarodějův učeň", "Šťastné číslo"}},
                    {"labuť", {"ČERNÁ LABUŤ"}},
                    {"'", {"Tom's Diner"}},
                    {"%", {"100% Hits"}},
                    {"_", {"a_b"}},
                    {"*", {"Hvězdy*"}},
                    {"')--", {}}};
    for (const auto& search : searches)
        EXPECT_EQ(names(queries::cdNameContains(QString::fromUtf8(search.typed))), search.found) << search.typed;
    // An empty text lists every disc that has a name; a picked name is compared whole.
    EXPECT_EQ(names(queries::cdNameContains(QString())).size(), 9);
    EXPECT_EQ(names(queries::cdNameEquals(QStringLiteral("Hvězdy*"))), QStringList({"Hvězdy*"}));
    EXPECT_EQ(names(queries::cdNameEquals(QStringLiteral("hvězdy navždy"))), QStringList());
}

TEST(RecordSource, ColumnsNoGridShowsAreReadWhenTheirRowIsCurrent)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("A"), QStringLiteral("Hry"));
    reg.addCd(QStringLiteral("B"), QStringLiteral("Data"));
    RecordSource source(reg, QStringLiteral("cd"));
    source.setHeldColumns({1});
    ASSERT_TRUE(source.refresh().ok());
    const int type = source.columnIndex(QStringLiteral("typobsahu"));
    EXPECT_TRUE(source.cell(1, type).isNull()) << "not read before the row is current";
    EXPECT_EQ(source.fieldText(QStringLiteral("typobsahu")), QStringLiteral("Hry"));
    ASSERT_TRUE(source.moveNext().ok());
    EXPECT_EQ(source.fieldText(QStringLiteral("typobsahu")), QStringLiteral("Data"));

    // A sort by a column not read for every row reads it first.
    GridModel model(source);
    model.sortRows(type, Qt::AscendingOrder);
    EXPECT_EQ(model.data(model.index(0, type)).toString(), QStringLiteral("Data"));
    EXPECT_EQ(model.data(model.index(1, type)).toString(), QStringLiteral("Hry"));
}
