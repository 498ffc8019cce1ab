// The register file: the schema a new file gets and the rules it keeps.
#include "qt_printers.h"
#include "storage/database.h"
#include "temp_register.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
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

// The system's failures a user meets are told in Czech words; any other keeps the system's
// own name beside its number, never the number alone.
TEST(SystemErrors, AreToldInWords)
{
    const struct
    {
        int error;
        const char* said;
    } words[] = {
        {ENOTDIR, "není složka"},         {ENOSPC, "na disku není místo"}, {EDQUOT, "na disku není místo"},
        {EROFS, "jen pro čtení"},         {EACCES, "přístup odepřen"},     {EPERM, "přístup odepřen"},
        {ENOENT, "neexistuje"},           {EEXIST, "už existuje"},         {EIO, "chyba vstupu a výstupu"},
        {EFBIG, "větší, než disk"},       {EISDIR, "je to složka"},        {ELOOP, "symbolických odkazů"},
        {EPROTO, "chyba systému EPROTO"},
    };
    for (const auto& w : words) {
        const QString text = systemErrorText(w.error);
        EXPECT_TRUE(text.contains(QString::fromUtf8(w.said))) << w.error << ": " << text.toStdString();
    }
    EXPECT_TRUE(systemErrorText(0).isEmpty());
}
