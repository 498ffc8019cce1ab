// The register file: the schema a new file gets and the rules it keeps.
#include "database.h"
#include "qt_printers.h"
#include "temp_register.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QStringList columnsOf(TempRegister& reg, const QString& relation)
{
    return reg.rows(QStringLiteral("SELECT name FROM pragma_table_info('%1') ORDER BY cid").arg(relation));
}

} // namespace

TEST(Schema, NewFileHasTablesViewsInFieldOrderAndIsPrivate)
{
    TempRegister reg;
    EXPECT_EQ(columnsOf(reg, QStringLiteral("cd")),
              QStringList({"idcd", "nazev", "pocetdisku", "typdisku", "typobsahu", "popis", "original", "vyrazeno"}));
    EXPECT_EQ(columnsOf(reg, QStringLiteral("lide")),
              QStringList({"idcloveka", "jmeno", "prijmeni", "telefon", "email", "poznamka"}));
    EXPECT_EQ(columnsOf(reg, QStringLiteral("vypujcky")),
              QStringList({"idvypujcky", "datumpujceni", "datumvraceni", "jmeno", "prijmeni", "nazev", "vraceno",
                           "poznamka", "idcloveka", "idcd"}));
    EXPECT_EQ(columnsOf(reg, QStringLiteral("nevracenecd")),
              QStringList({"idvypujcky", "datumpujceni", "jmeno", "prijmeni", "nazev", "poznamka", "iduzivatele",
                           "vraceno", "datumvraceni"}));
    EXPECT_EQ(reg.value(QStringLiteral("PRAGMA user_version")), QStringLiteral("1"));
    EXPECT_EQ(reg.value(QStringLiteral("PRAGMA foreign_keys")), QStringLiteral("1"));
    EXPECT_EQ(reg.value(QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
    EXPECT_EQ(reg.value(QStringLiteral("PRAGMA synchronous")), QStringLiteral("2"));
    // Loans are found by disc and by person through indexes.
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT ii.name FROM pragma_index_list('pujcovani') AS il, "
                                      "pragma_index_info(il.name) AS ii WHERE ii.seqno = 0 AND il.partial = 0 "
                                      "ORDER BY 1")),
              QStringList({"idcd", "idcloveka"}));

    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(reg.path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(Schema, NewLoanIsUnreturnedInBothQueriesWithItsOwnNote)
{
    TempRegister reg;
    const qint64 cd = reg.addCd(QStringLiteral("Kytice"));
    const qint64 person = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    reg.exec(QStringLiteral("UPDATE lide SET poznamka = 'poznámka člověka'"));
    const qint64 loan = reg.addLoan(cd, person, QStringLiteral("na chatu"));

    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM vypujcky")),
              QStringList(QStringLiteral("%1|2026-01-15|NULL|Jan|Novák|Kytice|0|na chatu|%2|%3").arg(loan).arg(person).arg(cd)));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM nevracenecd")),
              QStringList(QStringLiteral("%1|2026-01-15|Jan|Novák|Kytice|na chatu|1|0|NULL").arg(loan)));
    // New discs are not withdrawn.
    EXPECT_EQ(reg.value(QStringLiteral("SELECT vyrazeno FROM cd")), QStringLiteral("0"));
}

TEST(Schema, WriteThroughUnreturnedQueryLandsInTheLoanOnly)
{
    TempRegister reg;
    const qint64 cd = reg.addCd(QStringLiteral("Kytice"));
    const qint64 person = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    const qint64 first = reg.addLoan(cd, person, QStringLiteral("a"));
    reg.addLoan(cd, person, QStringLiteral("b"));
    const QStringList cdBefore = reg.rows(QStringLiteral("SELECT * FROM cd"));
    const QStringList peopleBefore = reg.rows(QStringLiteral("SELECT * FROM lide"));

    reg.exec(QStringLiteral("UPDATE nevracenecd SET vraceno = 1, datumvraceni = '2026-02-01', jmeno = 'X', "
                            "nazev = 'Y' WHERE idvypujcky = %1").arg(first));

    EXPECT_EQ(reg.rows(QStringLiteral("SELECT idvypujcky, vraceno, datumvraceni, poznamka FROM pujcovani")),
              QStringList({QStringLiteral("%1|1|2026-02-01|a").arg(first), QStringLiteral("%1|0|NULL|b").arg(first + 1)}));
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM cd")), cdBefore);
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT * FROM lide")), peopleBefore);
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM nevracenecd")), QStringLiteral("1"));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT vraceno FROM vypujcky WHERE idvypujcky = %1").arg(first)),
              QStringLiteral("1"));
}

TEST(Schema, DeletingDiscOrPersonTakesTheirLoansOnly)
{
    TempRegister reg;
    const qint64 cd = reg.addCd(QStringLiteral("Kytice"));
    const qint64 other = reg.addCd(QStringLiteral("Babička"));
    const qint64 jan = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    const qint64 eva = reg.addPerson(QStringLiteral("Eva"), QStringLiteral("Malá"));
    for (int i = 0; i < 3; ++i)
        reg.addLoan(cd, i == 0 ? jan : eva);
    reg.addLoan(other, jan);

    reg.exec(QStringLiteral("DELETE FROM cd WHERE idcd = %1").arg(cd));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM pujcovani")), QStringLiteral("1"));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM lide")), QStringLiteral("2"));

    reg.exec(QStringLiteral("DELETE FROM lide WHERE idcloveka = %1").arg(jan));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM vypujcky")), QStringLiteral("0"));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("1"));
}

TEST(Schema, RefusesValuesItsFieldsCannotHold)
{
    TempRegister reg;
    const qint64 cd = reg.addCd(QStringLiteral("Kytice"));
    const qint64 person = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
    for (const char* sql : {"UPDATE cd SET pocetdisku = 'pět'", "UPDATE cd SET pocetdisku = 1.5",
                            "UPDATE cd SET original = 2", "UPDATE cd SET original = NULL"})
        EXPECT_FALSE(reg.db().exec(QString::fromUtf8(sql)).ok()) << sql;
    EXPECT_FALSE(reg.db()
                     .execute(QStringLiteral("INSERT INTO pujcovani (datumpujceni, idcd, idcloveka) VALUES (?, ?, ?)"),
                              {QStringLiteral("6.12.26"), cd, person})
                     .ok());
    EXPECT_FALSE(reg.db()
                     .execute(QStringLiteral("INSERT INTO pujcovani (datumpujceni, idcd, idcloveka) VALUES (?, ?, ?)"),
                              {QStringLiteral("2026-01-01"), cd + 100, person})
                     .ok());
}

TEST(Transactions, NestedWorkIsUndoneUnlessCommitted)
{
    TempRegister reg;
    {
        Transaction outer(reg.db());
        reg.addCd(QStringLiteral("A"));
        {
            Transaction inner(reg.db());
            reg.addCd(QStringLiteral("B"));
            ASSERT_TRUE(inner.commit().ok());
        }
        {
            Transaction dropped(reg.db());
            reg.addCd(QStringLiteral("C"));
        }
        ASSERT_TRUE(outer.commit().ok());
    }
    {
        Transaction dropped(reg.db());
        reg.addCd(QStringLiteral("D"));
    }
    EXPECT_EQ(reg.rows(QStringLiteral("SELECT nazev FROM cd ORDER BY nazev")), QStringList({"A", "B"}));
    EXPECT_FALSE(reg.db().inTransaction());
}
