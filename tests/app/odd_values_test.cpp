// Values the program never writes in its date fields, as another program or an older release
// leaves them: every door (the lists, the exports, the printed lists and letters, the overview,
// the backup and the restore) shows them as they are stored, counts no days from them and
// calls the file whole. A day stored as bytes is a day.
#include "backups/backups.h"
#include "backups/restore_check.h"
#include "core/field_value.h"
#include "reports/borrowers.h"
#include "reports/overview.h"
#include "reports/reminders.h"
#include "reports/row_feed.h"
#include "storage/database.h"
#include "temp_register.h"
#include "transfer/csv_export.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

struct Odd
{
    const char* what;
    const char* stored; // SQL literal
    const char* shown;  // in the lists (as stored, or the day)
    bool day;           // counted as a day
};

const Odd odd[] = {
    {"a day that is not (29 February of a common year)", "'2023-02-29'", "2023-02-29", false},
    {"a day in the Czech form", "'29.02.2023'", "29.02.2023", false},
    {"the year 0, which SQLite reads", "'0000-01-01'", "0000-01-01", false},
    {"a year before Christ", "'-0001-01-01'", "-0001-01-01", false},
    {"a Julian day number", "2460000.5", "2460000.5", false},
    {"a day with a time", "'2023-01-01 10:00'", "2023-01-01 10:00", false},
    {"bytes of no day", "x'3f3f'", "??", false},
    {"a day stored as bytes", "CAST('2023-01-01' AS BLOB)", "1.1.2023", true},
};

QString csv(Database& db, const QString& list)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_TRUE(csvexport::write(db, list, out).ok());
    return QString::fromUtf8(out.data());
}

} // namespace

TEST(OddDates, AreShownAsStoredCountNoDaysAndAreNoDamageAtEveryDoor)
{
    TempRegister reg;
    reg.exec(QStringLiteral("INSERT INTO lide (idcloveka, jmeno, prijmeni) VALUES (201, 'Eva', 'Nová')"));
    // Each value as the day a disc was lent (not returned), and as the day another came back.
    reg.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
    int disc = 100;
    for (const Odd& o : odd) {
        reg.exec(QStringLiteral("INSERT INTO cd (idcd, nazev) VALUES (%1, 'Půjčený %1'), (%2, 'Vrácený %2');"
                                "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno, datumvraceni) VALUES "
                                "(%3, %1, 201, 0, NULL), ('2022-12-01', %2, 201, 1, %3)")
                     .arg(disc + 1)
                     .arg(disc + 2)
                     .arg(QLatin1String(o.stored)));
        disc += 2;
    }
    reg.exec(QStringLiteral("PRAGMA ignore_check_constraints = OFF"));
    // Read as SQLite reads days, every odd value but the Czech form would be out longer.
    const int days = 1000;
    const QDate today = QDate::currentDate();

    // The lists and the printed lists show the value as stored.
    for (const Odd& o : odd) {
        SCOPED_TRACE(o.what);
        const QString stored = reg.value(QStringLiteral("SELECT CAST(%1 AS TEXT)").arg(QLatin1String(o.stored)));
        EXPECT_EQ(fieldvalue::display(FieldKind::Date, stored), QString::fromUtf8(o.shown));
        EXPECT_EQ(fieldvalue::storedDay(stored).isValid(), o.day);
        EXPECT_EQ(reg.value(QStringLiteral("SELECT %1 IS NOT NULL").arg(fieldvalue::sqlDay(QLatin1String(o.stored)))),
                  o.day ? "1" : "0");
        if (!o.day) {
            EXPECT_EQ(fieldvalue::inWords(FieldKind::Date, stored), stored);
        }
    }
    const QString history = csv(reg.db(), QStringLiteral("vypujcky"));
    for (const char* shown : {"2023-02-29", "29.02.2023", "0000-01-01", "-0001-01-01", "2460000.5", "??"})
        EXPECT_TRUE(history.contains(QString::fromUtf8(shown))) << shown;

    // No days are counted from them: only the day stored as bytes is lent too long, and only
    // its letter is written; the overview counts one return's length (from the bytes' day).
    const QString tooLong = csv(reg.db(), QStringLiteral("dlouho"));
    EXPECT_EQ(tooLong.count(QStringLiteral("Půjčený")), 1) << tooLong.toStdString();
    reminders::Letters letters(reg.db(), days, today);
    ASSERT_TRUE(letters.start().ok());
    reminders::Letter letter;
    ASSERT_TRUE(letters.next(letter));
    EXPECT_EQ(letter.loans.size(), 1u);
    EXPECT_FALSE(letters.next(letter));
    Status status = Status::success();
    const overview::Figures figures = overview::compute(reg.db(), today, status);
    ASSERT_TRUE(status.ok());
    EXPECT_EQ(figures.returnedCounted, 1);
    EXPECT_EQ(figures.returnedUncounted, static_cast<qint64>(std::size(odd)) - 1);
    ASSERT_EQ(figures.longestOut.size(), 1u);
    EXPECT_EQ(figures.longestOut[0].lent, QDate(2023, 1, 1));
    // The discs lent too long on paper: the same one loan.
    {
        const auto grouped = borrowers::loansOut(reg.db(), today, days);
        ASSERT_TRUE(grouped->start().ok());
        ASSERT_TRUE(grouped->next(letter));
        EXPECT_EQ(letter.loans.size(), 1u);
        EXPECT_FALSE(grouped->next(letter));
    }

    // The file is whole: checked, backed up, and restored from its copy.
    EXPECT_TRUE(reg.db().checkWhole().ok());
    EXPECT_TRUE(reg.db().isWhole(true));
    const QString copy = QFileInfo(reg.path()).dir().filePath(QStringLiteral("kopie.zaz"));
    const Status written = backups::write(reg.db(), copy);
    ASSERT_TRUE(written.ok()) << written.message().toStdString();
    EXPECT_EQ(backups::restoreRefusal(reg.path(), copy), QString());
}
