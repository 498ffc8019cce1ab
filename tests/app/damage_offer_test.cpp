// A damaged register offers its newest whole copy: "Ano" chooses it, "Ne" chooses nothing,
// and without a whole copy the user is told so.
#include "app/damage_offer.h"
#include "backups/backups.h"
#include "dialog_answerer.h"
#include "qt_printers.h"
#include "temp_register.h"

#include <QFile>

#include <gtest/gtest.h>

TEST(DamageOffer, TheNewestWholeCopyIsOfferedWithItsDayAndNumbers)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("Kytice"));
    reg.addLoan(reg.addCd(QStringLiteral("Babička")), reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák")));
    const QString copy = backups::daily(reg.db(), reg.path(), QDate(2026, 12, 7)).made;
    ASSERT_FALSE(copy.isEmpty());

    const struct
    {
        QMessageBox::StandardButton answer;
        QString chosen;
    } answers[] = {{QMessageBox::Yes, copy}, {QMessageBox::No, QString()}};
    for (const auto& a : answers) {
        DialogAnswerer answerer;
        answerer.answer(a.answer);
        EXPECT_EQ(offerBackup(reg.path()), a.chosen);
        ASSERT_EQ(answerer.shown().size(), 1);
        const ShownBox& box = answerer.shown().first();
        EXPECT_EQ(box.icon, QMessageBox::Question);
        EXPECT_EQ(box.title, QStringLiteral("Poškozená evidence"));
        EXPECT_TRUE(box.text.contains(QStringLiteral("je z 7. 12. 2026 (disků: 2, lidí: 1, výpůjček: 1)")))
            << box.text.toStdString();
        EXPECT_EQ(box.buttonTexts, QStringList({"Ano", "Ne"}));
    }

    QFile::remove(copy);
    DialogAnswerer answerer;
    EXPECT_EQ(offerBackup(reg.path()), QString());
    ASSERT_EQ(answerer.shown().size(), 1);
    EXPECT_EQ(answerer.shown().first().icon, QMessageBox::Critical);
    EXPECT_TRUE(answerer.shown().first().text.contains(QStringLiteral("není záloha")));
}
