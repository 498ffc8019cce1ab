// Record sources: the commit rule, inserts and deletes, and the matching of
// the program's queries (typed text is matched as itself, case ignored).
#include "grid_model.h"
#include "record_source.h"
#include "qt_printers.h"
#include "temp_register.h"

#include <gtest/gtest.h>

namespace {

// The values of one column of every row the source holds, in its order.
QStringList column(const RecordSource& source, const QString& field)
{
    QStringList values;
    for (int row = 0; row < source.recordCount(); ++row)
        values << source.cell(row, source.columnIndex(field));
    return values;
}

QStringList names(TempRegister& reg, const SourceQuery& query)
{
    RecordSource source(reg, QStringLiteral("cd"));
    source.setRecordSource(query);
    const Status s = source.refresh();
    EXPECT_TRUE(s.ok()) << s.message().toStdString();
    QStringList result = column(source, QStringLiteral("nazev"));
    result.sort();
    return result;
}

} // namespace

TEST(RecordSource, PendingEditsAreStoredAtRefreshAndMoveButNeverWithoutAnEdit)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("A"));
    reg.addCd(QStringLiteral("B"));
    RecordSource source(reg, QStringLiteral("cd"));
    ASSERT_TRUE(source.refresh().ok());
    EXPECT_EQ(source.recordCount(), 2);
    EXPECT_EQ(source.absolutePosition(), 0);

    // Nothing typed: moving and refreshing store nothing.
    ASSERT_TRUE(source.moveNext().ok());
    ASSERT_TRUE(source.refresh().ok());
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev FROM cd ORDER BY idcd")), QStringList({"A", "B"}));

    // An edit waits until the next move.
    source.setFieldText(QStringLiteral("nazev"), QStringLiteral("Á nové"));
    source.setFieldText(QStringLiteral("pocetdisku"), QStringLiteral("3"));
    EXPECT_EQ(source.fieldText(QStringLiteral("nazev")), QStringLiteral("Á nové"));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT nazev FROM cd WHERE idcd = 1")), QStringLiteral("A"));
    ASSERT_TRUE(source.moveNext().ok());
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev, pocetdisku, typeof(pocetdisku) FROM cd WHERE idcd = 1")),
              QStringList(QStringLiteral("Á nové|3|integer")));

    // ... or the next refresh, and the re-query shows it.
    source.setFieldText(QStringLiteral("original"), QStringLiteral("1"));
    ASSERT_TRUE(source.refresh().ok());
    EXPECT_EQ(reg.value(QStringLiteral("SELECT original FROM cd WHERE idcd = 2")), QStringLiteral("1"));
    EXPECT_EQ(source.displayText(1, source.columnIndex(QStringLiteral("original"))), QStringLiteral("-1"));
    EXPECT_FALSE(source.hasPendingEdits());
}

TEST(RecordSource, ValueItsFieldCannotHoldIsRefusedAndNothingIsStored)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("A"));
    RecordSource source(reg, QStringLiteral("cd"));
    ASSERT_TRUE(source.refresh().ok());
    source.setFieldText(QStringLiteral("nazev"), QStringLiteral("B"));
    source.setFieldText(QStringLiteral("pocetdisku"), QStringLiteral("pět"));
    const Status s = source.refresh();
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.message(), QStringLiteral("Počet disků musí být číslo")) << "the same words as the windows, no field name";
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev, pocetdisku FROM cd")), QStringList(QStringLiteral("A|1")));
    EXPECT_FALSE(reg.db().inTransaction());
}

TEST(RecordSource, AddNewUpdateMoveLastStoresOneRowWithDefaults)
{
    TempRegister reg;
    const qint64 cd = reg.addCd(QStringLiteral("A"));
    const qint64 person = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    RecordSource loans(reg, QStringLiteral("pujcovani"));
    ASSERT_TRUE(loans.refresh().ok());
    EXPECT_FALSE(loans.hasCurrentRecord());

    loans.addNew();
    EXPECT_TRUE(loans.fieldText(QStringLiteral("idcd")).isEmpty());
    loans.setFieldText(QStringLiteral("datumpujceni"), QStringLiteral("6. 12. 2026"));
    loans.setFieldText(QStringLiteral("idcd"), QString::number(cd));
    loans.setFieldText(QStringLiteral("idcloveka"), QString::number(person));
    loans.setFieldText(QStringLiteral("poznamka"), QString());
    loans.setFieldText(QStringLiteral("iduzivatele"), QStringLiteral("1"));
    ASSERT_TRUE(loans.update().ok());
    ASSERT_TRUE(loans.moveLast().ok());

    EXPECT_EQ(loans.recordCount(), 1);
    EXPECT_EQ(loans.fieldText(QStringLiteral("datumpujceni")), QStringLiteral("6.12.2026"));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT datumpujceni, idcd, idcloveka, poznamka, iduzivatele, vraceno, "
                                      "datumvraceni FROM pujcovani")),
              QStringList(QStringLiteral("2026-12-06|%1|%2||1|0|NULL").arg(cd).arg(person)));
}

TEST(RecordSource, DeleteRemovesTheCurrentRecordWithItsLoans)
{
    TempRegister reg;
    const qint64 a = reg.addCd(QStringLiteral("A"));
    const qint64 b = reg.addCd(QStringLiteral("B"));
    const qint64 person = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    reg.addLoan(b, person);
    RecordSource source(reg, QStringLiteral("cd"));
    ASSERT_TRUE(source.refresh().ok());
    ASSERT_TRUE(source.moveNext().ok());
    source.setFieldText(QStringLiteral("nazev"), QStringLiteral("never stored"));
    ASSERT_TRUE(source.deleteCurrent().ok());
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT idcd, nazev FROM cd")), QStringList(QStringLiteral("%1|A").arg(a)));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM pujcovani")), QStringLiteral("0"));
    EXPECT_EQ(source.recordCount(), 1);
}

TEST(RecordSource, SearchMatchesTypedTextLiterallyAndIgnoresCzechCase)
{
    TempRegister reg;
    for (const char* name : {"Čarodějův učeň", "ČERNÁ LABUŤ", "Tom's Diner", "100% Hits", "a_b", "axb", "Hvězdy*",
                             "Hvězdy navždy", "Šťastné číslo"})
        reg.addCd(QString::fromUtf8(name));
    reg.exec(QStringLiteral("INSERT INTO cd (nazev) VALUES (NULL)"));

    EXPECT_EQ(names(reg, queries::cdNameContains(QStringLiteral("č"))),
              QStringList({"ČERNÁ LABUŤ", "Čarodějův učeň", "Šťastné číslo"}));
    EXPECT_EQ(names(reg, queries::cdNameContains(QStringLiteral("černá"))), QStringList({"ČERNÁ LABUŤ"}));
    EXPECT_EQ(names(reg, queries::cdNameContains(QStringLiteral("labuť"))), QStringList({"ČERNÁ LABUŤ"}));
    EXPECT_EQ(names(reg, queries::cdNameContains(QStringLiteral("'"))), QStringList({"Tom's Diner"}));
    EXPECT_EQ(names(reg, queries::cdNameContains(QStringLiteral("%"))), QStringList({"100% Hits"}));
    EXPECT_EQ(names(reg, queries::cdNameContains(QStringLiteral("_"))), QStringList({"a_b"}));
    EXPECT_EQ(names(reg, queries::cdNameContains(QStringLiteral("*"))), QStringList({"Hvězdy*"}));
    EXPECT_EQ(names(reg, queries::cdNameContains(QStringLiteral("')--"))), QStringList());
    // An empty text lists every disc that has a name.
    EXPECT_EQ(names(reg, queries::cdNameContains(QString())).size(), 9);
    // A picked name is compared whole, not as a pattern.
    EXPECT_EQ(names(reg, queries::cdNameEquals(QStringLiteral("Hvězdy*"))), QStringList({"Hvězdy*"}));
    EXPECT_EQ(names(reg, queries::cdNameEquals(QStringLiteral("Tom's Diner"))), QStringList({"Tom's Diner"}));
    EXPECT_EQ(names(reg, queries::cdNameEquals(QStringLiteral("hvězdy navždy"))), QStringList());
}

TEST(RecordSource, QueriesOfTheOtherListsMatchLikeTheirTexts)
{
    TempRegister reg;
    const qint64 game = reg.addCd(QStringLiteral("Doom"), QStringLiteral("Hry"));
    reg.addCd(QStringLiteral("Ubuntu"), QStringLiteral("Operační systémy"));
    reg.addCd(QStringLiteral("Bez typu"), QString());
    reg.exec(QStringLiteral("UPDATE cd SET typobsahu = NULL WHERE nazev = 'Bez typu'"));
    EXPECT_EQ(names(reg, queries::cdContentTypeContains(QStringLiteral("Hry"))), QStringList({"Doom"}));
    EXPECT_EQ(names(reg, queries::cdContentTypeContains(QString())), QStringList({"Doom", "Ubuntu"}));

    const qint64 jan = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Čermák"));
    reg.addPerson(QStringLiteral("Čeněk"), QStringLiteral("Novák"));
    reg.addPerson(QStringLiteral("Eva"), QStringLiteral("Malá"));
    RecordSource people(reg, QStringLiteral("lide"));
    people.setRecordSource(queries::peopleNameContains(QStringLiteral("čE")));
    ASSERT_TRUE(people.refresh().ok());
    EXPECT_EQ(column(people, QStringLiteral("jmeno")), QStringList({"Jan", "Čeněk"}));
    people.setRecordSource(queries::idEquals(QStringLiteral("lide"), QStringLiteral("idcloveka"), jan));
    ASSERT_TRUE(people.refresh().ok());
    EXPECT_EQ(column(people, QStringLiteral("prijmeni")), QStringList({"Čermák"}));

    reg.addLoan(game, jan, QStringLiteral("x"));
    RecordSource history(reg, QStringLiteral("vypujcky"));
    history.setRecordSource(queries::idEquals(QStringLiteral("vypujcky"), QStringLiteral("idcd"), game));
    ASSERT_TRUE(history.refresh().ok());
    EXPECT_EQ(history.recordCount(), 1);
    history.setRecordSource(queries::idEquals(QStringLiteral("vypujcky"), QStringLiteral("idcd"), game + 1));
    ASSERT_TRUE(history.refresh().ok());
    EXPECT_EQ(history.recordCount(), 0);
}

TEST(RecordSource, ColumnsNoGridShowsAreReadWhenTheirRowIsCurrent)
{
    TempRegister reg;
    const qint64 a = reg.addCd(QStringLiteral("A"), QStringLiteral("Hry"));
    reg.addCd(QStringLiteral("B"), QStringLiteral("Data"));
    RecordSource source(reg, QStringLiteral("cd"));
    source.setCachedColumns({1});
    ASSERT_TRUE(source.refresh().ok());
    const int type = source.columnIndex(QStringLiteral("typobsahu"));
    EXPECT_EQ(source.cell(0, 0), QString::number(a));
    EXPECT_EQ(source.cell(1, 1), QStringLiteral("B"));
    EXPECT_TRUE(source.cell(1, type).isNull()) << "not read before the row is current";
    EXPECT_EQ(source.fieldText(QStringLiteral("typobsahu")), QStringLiteral("Hry"));
    ASSERT_TRUE(source.moveNext().ok());
    EXPECT_EQ(source.fieldText(QStringLiteral("typobsahu")), QStringLiteral("Data"));

    // A sort by a column not read for every row reads it first.
    ASSERT_TRUE(source.refresh().ok());
    GridModel model(source);
    model.sortRows(type, Qt::AscendingOrder);
    EXPECT_EQ(model.data(model.index(0, type)).toString(), QStringLiteral("Data"));
    EXPECT_EQ(model.data(model.index(1, type)).toString(), QStringLiteral("Hry"));
}
