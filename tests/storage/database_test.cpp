// The register file: the schema a new file gets and the rules it keeps.
#include "qt_printers.h"
#include "storage/database.h"
#include "temp_register.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

// A new register is one the program recognises as its own when it opens it again,
// and readable by its owner only.
TEST(Schema, NewFileReopensAsARegisterAndIsPrivate)
{
    TempRegister reg;
    Status status = Status::success();
    EXPECT_NE(Register::open(reg.path(), status), nullptr) << status.message().toStdString();
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(reg.path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
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
