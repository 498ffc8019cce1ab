// The trash: a disc or a person deleted with its loans comes back as it was stored, with its
// own ids; a loan whose other side was deleted too brings that side back; what cannot come
// back is said; the trash empties by age.
#include "qt_printers.h"
#include "storage/database.h"
#include "storage/trash.h"
#include "temp_register.h"

#include <gtest/gtest.h>

namespace {

const QDateTime when(QDate(2026, 12, 9), QTime(10, 0));

// Every row of the register's tables as stored, each value with its type (quote() spells a
// blob as hex, a text with its quotes), so that a restore can be compared byte for byte.
QStringList stored(TempRegister& reg)
{
    QStringList all;
    for (const char* table : {"cd", "lide", "pujcovani"})
        for (const QString& row : reg.rows(QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table))))
            all << QLatin1String(table) + QLatin1Char(':') + row;
    for (const QString& row :
         reg.rows(QStringLiteral("SELECT quote(nazev), quote(popis), typeof(original) FROM cd ORDER BY idcd")))
        all << row;
    for (const QString& row : reg.rows(QStringLiteral("SELECT quote(datumpujceni), quote(poznamka) FROM pujcovani "
                                                      "ORDER BY idvypujcky")))
        all << row;
    return all;
}

// Deletes as the windows do: kept in the trash, then deleted, in one transaction.
qint64 deleteKept(TempRegister& reg, const QString& table, qint64 key)
{
    Transaction transaction(reg.db());
    Status status = Status::success();
    const qint64 id = trash::keep(reg.db(), table, key, when, status);
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_TRUE(reg.db()
                    .execute(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                                 .arg(table, table == QLatin1String("cd") ? QStringLiteral("idcd")
                                                                          : QStringLiteral("idcloveka")),
                             {key})
                    .ok());
    EXPECT_TRUE(transaction.commit().ok());
    return id;
}

struct Fixture
{
    TempRegister reg;
    qint64 kytice, babicka, jan, eva;
    Fixture()
    {
        kytice = reg.addCd(QStringLiteral("Kytice"));
        babicka = reg.addCd(QStringLiteral("Babička"));
        reg.addCd(QStringLiteral("Zůstává"));
        jan = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
        eva = reg.addPerson(QStringLiteral("Eva"), QStringLiteral("Nováková"));
        reg.addLoan(kytice, jan, QStringLiteral("na chatu"));
        reg.addLoan(kytice, eva);
        reg.addLoan(babicka, jan);
        // Values another program may leave: a popis of bytes, a day the program would not write.
        reg.exec(QStringLiteral("UPDATE cd SET popis = X'00FF41', original = 1 WHERE idcd = %1").arg(kytice));
        reg.exec(QStringLiteral("UPDATE pujcovani SET datumpujceni = '2023-02-29' WHERE idcd = %1").arg(babicka));
    }
};

} // namespace

TEST(Trash, ADeleteAndItsRestoreGiveBackTheRegisterByteForByte)
{
    Fixture f;
    const QStringList before = stored(f.reg);
    const qint64 id = deleteKept(f.reg, QStringLiteral("cd"), f.kytice);
    EXPECT_EQ(f.reg.value(QStringLiteral("SELECT count(*) FROM pujcovani WHERE idcd = %1").arg(f.kytice)), "0");
    Status status = Status::success();
    const std::vector<trash::Item> items = trash::items(f.reg.db(), status);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, id);
    EXPECT_EQ(items[0].table, QStringLiteral("cd"));
    EXPECT_EQ(items[0].key, f.kytice);
    EXPECT_EQ(items[0].name, QStringLiteral("Kytice"));
    EXPECT_EQ(items[0].loans, 2);
    EXPECT_EQ(items[0].deleted, when);
    const trash::Restored restored = trash::restore(f.reg.db(), id, status);
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_TRUE(restored.alsoRestored.isEmpty());
    EXPECT_EQ(restored.loansLeft, 0);
    EXPECT_EQ(stored(f.reg), before);
    EXPECT_EQ(f.reg.value(QStringLiteral("SELECT count(*) FROM kos")), "0");
    EXPECT_EQ(f.reg.value(QStringLiteral("SELECT count(*) FROM kos_pujcovani")), "0");
}

// A disc and a person of one loan both deleted: restoring either first works, the disc
// bringing the person back for the loan; with the person removed for good the loan is told.
TEST(Trash, BothSidesOfALoanDeletedComeBackTogetherOrTheLoanIsTold)
{
    for (const bool discFirst : {true, false}) {
        SCOPED_TRACE(discFirst ? "the disc restored first" : "the person restored first");
        Fixture f;
        const QStringList before = stored(f.reg);
        const qint64 disc = deleteKept(f.reg, QStringLiteral("cd"), f.kytice);
        const qint64 person = deleteKept(f.reg, QStringLiteral("lide"), f.jan);
        Status status = Status::success();
        trash::Restored restored = trash::restore(f.reg.db(), discFirst ? disc : person, status);
        ASSERT_TRUE(status.ok()) << status.message().toStdString();
        EXPECT_EQ(restored.alsoRestored, discFirst ? QStringList{QStringLiteral("Jan Novák")} : QStringList{});
        if (!discFirst) {
            EXPECT_NE(stored(f.reg), before); // the loan of Kytice and Jan waits with Kytice
            restored = trash::restore(f.reg.db(), disc, status);
            ASSERT_TRUE(status.ok()) << status.message().toStdString();
        }
        EXPECT_EQ(restored.loansLeft, 0);
        EXPECT_EQ(stored(f.reg), before);
        EXPECT_EQ(f.reg.value(QStringLiteral("SELECT count(*) FROM kos")), "0");
    }
    Fixture f;
    const qint64 disc = deleteKept(f.reg, QStringLiteral("cd"), f.kytice);
    ASSERT_TRUE(trash::remove(f.reg.db(), deleteKept(f.reg, QStringLiteral("lide"), f.jan)).ok());
    Status status = Status::success();
    const trash::Restored restored = trash::restore(f.reg.db(), disc, status);
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_EQ(restored.loansLeft, 1);
    EXPECT_EQ(f.reg.rows(QStringLiteral("SELECT idcloveka FROM pujcovani WHERE idcd = %1").arg(f.kytice)),
              QStringList{QString::number(f.eva)});
}

// An id given again meanwhile (by another program) refuses the restore, changing nothing.
TEST(Trash, ARestoreWhoseIdIsTakenIsRefusedAndKeepsTheItem)
{
    Fixture f;
    const qint64 id = deleteKept(f.reg, QStringLiteral("cd"), f.kytice);
    f.reg.exec(QStringLiteral("INSERT INTO cd (idcd, nazev, pocetdisku, typdisku, typobsahu) VALUES (%1, 'Jiný', 1, "
                              "'CD', 'Hudba')")
                   .arg(f.kytice));
    const QStringList before = stored(f.reg);
    Status status = Status::success();
    trash::restore(f.reg.db(), id, status);
    EXPECT_EQ(status.message(),
              QStringLiteral("„Kytice“ nelze obnovit: ID %1 už má v evidenci jiný disk.").arg(f.kytice));
    EXPECT_EQ(stored(f.reg), before);
    EXPECT_EQ(trash::items(f.reg.db(), status).size(), 1u);
}

// What has been in the trash longer than the days asked is removed, the rest stays.
TEST(Trash, ExpiresByAgeAndEmpties)
{
    Fixture f;
    deleteKept(f.reg, QStringLiteral("cd"), f.kytice);
    f.reg.exec(QStringLiteral("UPDATE kos SET smazano = '2026-11-09T09:59:59'"));
    deleteKept(f.reg, QStringLiteral("cd"), f.babicka);
    f.reg.exec(QStringLiteral("UPDATE kos SET smazano = '2026-11-09T10:00:01' WHERE nazev = 'Babička'"));
    ASSERT_TRUE(trash::expire(f.reg.db(), when, 30).ok());
    EXPECT_EQ(f.reg.rows(QStringLiteral("SELECT nazev FROM kos")), QStringList{QStringLiteral("Babička")});
    EXPECT_EQ(f.reg.value(QStringLiteral("SELECT count(*) FROM kos_cd")), "1");
    ASSERT_TRUE(trash::empty(f.reg.db()).ok());
    EXPECT_EQ(f.reg.value(QStringLiteral("SELECT count(*) FROM kos_pujcovani")), "0");
}
