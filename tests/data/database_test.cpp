// The register file: the schema a new file gets and the rules it keeps.
#include "database.h"
#include "qt_printers.h"
#include "temp_register.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

// A new register is one the program recognises as its own when it opens it again (its
// tables, saved queries and their columns), crash-safe, and readable by its owner only.
TEST(Schema, NewFileReopensAsARegisterAndIsPrivate)
{
    TempRegister reg;
    Status status = Status::success();
    EXPECT_NE(Register::open(reg.path(), status), nullptr) << status.message().toStdString();
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
