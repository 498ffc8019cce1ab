// Every writer of a file refuses the register itself, whatever name leads to it, before it
// writes anything: the check is the writers' own, not only the windows' and the command line's.
#include "backups/backups.h"
#include "reports/list_report.h"
#include "reports/overview.h"
#include "reports/reminders.h"
#include "temp_register.h"
#include "transfer/sheet_export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

TEST(Doors, EveryWriterRefusesTheRegisterWhateverNameLeadsToIt)
{
    TempRegister reg;
    const qint64 person = reg.addPerson(QStringLiteral("Eva"), QStringLiteral("Nová"));
    reg.exec(QStringLiteral("UPDATE pujcovani SET datumpujceni = '2020-01-01' WHERE idvypujcky = %1")
                 .arg(reg.addLoan(reg.addCd(QStringLiteral("Kytice")), person)));
    const QDir dir = QFileInfo(reg.path()).dir();
    const QString linked = dir.filePath(QStringLiteral("odkaz"));
    ASSERT_TRUE(QFile::link(reg.path(), linked));
    const auto bytes = [&reg] {
        QFile file(reg.path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    Database& db = reg.db();
    const QDate today = QDate::currentDate();
    const std::pair<const char*, std::function<Status(const QString&)>> writers[] = {
        {"a CSV list", [&](const QString& to) { return sheetexport::write(db, "cd", to, sheetexport::Format::Csv); }},
        {"an .xlsx list",
         [&](const QString& to) { return sheetexport::write(db, "cd", to, sheetexport::Format::Xlsx); }},
        {"an .ods list",
         [&](const QString& to) { return sheetexport::write(db, "lide", to, sheetexport::Format::Ods); }},
        {"a list as PDF", [&](const QString& to) { return listreport::writePdf(db, "vypujcky", to); }},
        {"reminders", [&](const QString& to) { return reminders::writePdf(db, {}, 30, today, to); }},
        {"the overview", [&](const QString& to) { return overview::writePdf(db, today, to); }},
        {"a backup", [&](const QString& to) { return backups::replace(db, to); }},
    };
    for (const auto& [what, write] : writers)
        for (const QString& target : {reg.path(), linked, reg.path() + QStringLiteral("-journal")}) {
            SCOPED_TRACE(std::string(what) + " to " + target.toStdString());
            const Status written = write(target);
            EXPECT_FALSE(written.ok());
            EXPECT_TRUE(written.message().contains(QStringLiteral("Zvolte jiný soubor")))
                << written.message().toStdString();
            EXPECT_EQ(bytes(), before);
            EXPECT_FALSE(QFileInfo::exists(reg.path() + QStringLiteral("-journal")));
        }
}
