// The lists at start: their first rows as the last run left them, shown while the rest is
// read, then every row; never rows the register no longer has.
#include "gui_input.h"
#include "main_window/form1.h"
#include "main_window/start_reading.h"
#include "rows/first_rows.h"
#include "storage/database.h"
#include "temp_register.h"
#include "widget_lookup.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

constexpr int kept = firstrows::keptRows;

struct Lists
{
    QString cdHeading, peopleHeading;
    QStringList cds, firstNames, surnames;
    bool operator==(const Lists&) const = default;
};

// What the window shows: both headings and the rows of both lists ("" for a row not read yet).
Lists shownBy(QWidget* w)
{
    auto* cds = child<QTableView>(w, "MSFlexGrid1");
    auto* people = child<QTableView>(w, "MSFlexGrid2");
    return {child<QLabel>(w, "LblNadpis1")->text(), child<QLabel>(w, "LblNadpis2")->text(), gui::column(cds, 1),
            gui::column(people, 1), gui::column(people, 2)};
}

std::ostream& operator<<(std::ostream& out, const Lists& lists)
{
    return out << lists.cdHeading.toStdString() << " / " << lists.peopleHeading.toStdString() << ": "
               << lists.cds.mid(0, 8).join(QLatin1Char(',')).toStdString() << "… "
               << lists.firstNames.mid(0, 8).join(QLatin1Char(',')).toStdString() << "…";
}

// The program started on the register: its connection, and the window made, shown and activated.
struct Started
{
    std::unique_ptr<Register> reg;
    std::unique_ptr<Form1> form;
    QWidget* get() const { return form.get(); }
};

Started start(const QString& path)
{
    Started started;
    Status status = Status::success();
    started.reg = Register::open(path, status);
    EXPECT_TRUE(started.reg) << status.message().toStdString();
    started.form = std::make_unique<Form1>(*started.reg);
    started.form->show();
    QApplication::setActiveWindow(started.form.get());
    QApplication::processEvents();
    return started;
}

// A slow start: the rest of the rows is not read until the window needs it.
struct HeldReading
{
    HeldReading() { StartReading::holdForTests(true); }
    ~HeldReading() { StartReading::holdForTests(false); }
};

// A key the user presses without typing anything: whatever the user does waits for every row.
void pressShift(QWidget* w)
{
    QTest::keyClick(child<QTableView>(w, "MSFlexGrid1"), Qt::Key_Shift);
}

// Names whose Czech order is not their letters' order: Ch after H, Č after C, Ř after R,
// accents second, numbers first and by value, letter case ignored (names alike keep the
// order of their ids).
const QStringList czechNames = {"Chata", "Hrad",  "Cibule", "Čaj", "Cukr", "Řeka", "Rum",  "Šum",  "Sad",
                                "Žito",  "Zub",   "10",     "9",   "2.5",  "abel", "Ábel", "ABEL", "abel",
                                "Ïkona", "Ďábel", "Dub",    "ch",  "Cha",  "čaj",  "Ř",    "R"};

QString nameNo(int i)
{
    if (i < czechNames.size())
        return czechNames[i];
    static const char* const parts[] = {"ch", "č", "ř", "a", "á", "e", "ě", "i", "ž", "s", "š", "o", "u", "ů"};
    QString name;
    for (int n = i * 7919; name.size() < 6; n /= 14)
        name += QString::fromUtf8(parts[n % 14]);
    return name.left(1).toUpper() + name.mid(1) + QStringLiteral(" %1").arg(i % 13);
}

void fill(TempRegister& reg, int discs, int people)
{
    reg.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < discs; ++i)
        reg.addCd(nameNo(i));
    for (int i = 0; i < people; ++i)
        reg.addPerson(nameNo(people - 1 - i), nameNo(i));
    reg.exec(QStringLiteral("COMMIT"));
}

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

} // namespace

// What the first frame shows is the list every row gives, as far as it shows it, with the
// whole count; then every row. Kept again when the discs changed during a run.
TEST(FirstRows, AreTheListsFirstRowsAndGiveWayToEveryRow)
{
    for (const int size : {0, 1, 26, kept - 1, kept, kept + 1, 350}) {
        SCOPED_TRACE(size);
        TempRegister reg;
        fill(reg, size, size / 2);
        Lists everyRow;
        {
            // No first rows kept yet: every row is read before the window shows.
            auto form = start(reg.path());
            everyRow = shownBy(form.get());
            EXPECT_EQ(everyRow.cdHeading, QStringLiteral("Seznam CD - %1").arg(size));
            EXPECT_FALSE(everyRow.cds.contains(QString()));
        }
        // Names from the register, readable by its owner only.
        EXPECT_EQ(QFile::permissions(firstrows::pathFor(reg.path())),
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
        Lists changed;
        {
            HeldReading held;
            auto form = start(reg.path());
            const Lists first = shownBy(form.get());
            EXPECT_EQ(first.cdHeading, everyRow.cdHeading);
            EXPECT_EQ(first.peopleHeading, everyRow.peopleHeading);
            ASSERT_EQ(first.cds.size(), size);
            EXPECT_EQ(first.cds.mid(0, kept), everyRow.cds.mid(0, kept));
            EXPECT_EQ(first.surnames.mid(0, kept), everyRow.surnames.mid(0, kept));
            // The rest is not read yet: the window started from the kept rows.
            if (size > kept) {
                EXPECT_EQ(first.cds[kept], QString());
            }
            pressShift(form.get());
            EXPECT_EQ(shownBy(form.get()), everyRow);
            // A disc added during the run: the rows are kept anew at the end.
            reg.addCd(QStringLiteral("Áaa"));
            QTest::mouseClick(child<QPushButton>(form.get(), "CmbZobrazVseCd"), Qt::LeftButton);
            changed = shownBy(form.get());
            EXPECT_TRUE(changed.cds.contains(QStringLiteral("Áaa")));
        }
        HeldReading held;
        auto form = start(reg.path());
        EXPECT_EQ(shownBy(form.get()).cds.mid(0, kept), changed.cds.mid(0, kept));
        EXPECT_EQ(shownBy(form.get()).cdHeading, changed.cdHeading);
        pressShift(form.get());
        EXPECT_EQ(shownBy(form.get()), changed);
    }
}

// A search, a sort or a pick made while the rest is being read gives the whole answer.
TEST(FirstRows, WhatTheUserDoesBeforeTheRestIsReadIsDoneOnEveryRow)
{
    const struct
    {
        const char* action;
        std::function<void(QWidget*)> doIt;
        std::function<void(QWidget*, const Lists&)> check;
    } cases[] = {
        {"a search typed", [](QWidget* w) { gui::type(child<QLineEdit>(w, "TxtHledejCd"), QStringLiteral("ch")); },
         [](QWidget* w, const Lists& all) {
             const QStringList found = all.cds.filter(QStringLiteral("ch"), Qt::CaseInsensitive);
             EXPECT_GT(found.size(), kept / 4);
             EXPECT_EQ(shownBy(w).cds, found);
             EXPECT_EQ(shownBy(w).cdHeading, QStringLiteral("Seznam CD - %1").arg(found.size()));
         }},
        {"a sort the other way",
         [](QWidget* w) {
             QTest::mouseClick(child<QRadioButton>(w, "OptSestupneCd"), Qt::LeftButton);
             QTest::mouseClick(child<QPushButton>(w, "CmbSetridCd"), Qt::LeftButton);
         },
         [](QWidget* w, const Lists& all) {
             QStringList reversed(all.cds.rbegin(), all.cds.rend());
             EXPECT_EQ(shownBy(w).cds.first(), reversed.first());
             EXPECT_EQ(shownBy(w).cds.size(), all.cds.size());
             EXPECT_FALSE(shownBy(w).cds.contains(QString()));
         }},
        {"a pick of a name two discs share",
         [](QWidget* w) {
             auto* grid = child<QTableView>(w, "MSFlexGrid1");
             gui::clickCell(grid, gui::rowOf(grid, 1, QStringLiteral("10")), 1);
         },
         [](QWidget* w, const Lists&) {
             EXPECT_EQ(shownBy(w).cdHeading, QStringLiteral("Seznam CD - 2"));
             EXPECT_EQ(child<QPlainTextEdit>(w, "Text2")->toPlainText(), QStringLiteral("10"));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        TempRegister reg;
        fill(reg, 300, 40);
        reg.addCd(QStringLiteral("10")); // a name of another disc too
        Lists all;
        {
            auto form = start(reg.path());
            all = shownBy(form.get());
        }
        HeldReading held;
        auto form = start(reg.path());
        ASSERT_EQ(shownBy(form.get()).cds[kept], QString()); // the rest is not read yet
        c.doIt(form.get());
        c.check(form.get(), all);
    }
}

// First rows that may not be the register's are never shown: the window shows every row, as
// read from the file, and the register is left as it was.
TEST(FirstRows, AreNeverShownWhenTheyMayNotBeTheRegistersAnyMore)
{
    const auto otherProgram = [](const QString& path, const QString& sql) {
        Status status = Status::success();
        const auto db = Database::connect(QFile::encodeName(path), status);
        ASSERT_TRUE(db) << status.message().toStdString();
        ASSERT_TRUE(db->exec(sql).ok());
    };
    const auto cutTo = [](const QString& path, double share) {
        QFile file(firstrows::pathFor(path));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(static_cast<qint64>(static_cast<double>(file.size()) * share)));
    };
    const struct
    {
        const char* spoiler;
        std::function<void(const QString& path)> spoil;
    } cases[] = {
        {"another program added a disc",
         [&](const QString& p) { otherProgram(p, QStringLiteral("INSERT INTO cd (nazev) VALUES ('Áaa')")); }},
        {"another program renamed the first disc",
         [&](const QString& p) { otherProgram(p, QStringLiteral("UPDATE cd SET nazev = 'Zzz' WHERE nazev = '2.5'")); }},
        {"restored from a copy changed as often as the register",
         [&](const QString& p) {
             const QString copy = p + QStringLiteral(".kopie");
             ASSERT_TRUE(QFile::copy(p, copy));
             otherProgram(copy, QStringLiteral("UPDATE cd SET nazev = 'Áaa' WHERE nazev = 'Zub'"));
             otherProgram(p, QStringLiteral("UPDATE cd SET nazev = 'Zzz' WHERE nazev = 'Cukr'"));
             // The register's rows are kept anew for this state, then the copy replaces it.
             start(p);
             ASSERT_TRUE(QFile::remove(p));
             ASSERT_TRUE(QFile::rename(copy, p));
         }},
        {"cut short to nothing", [&](const QString& p) { cutTo(p, 0); }},
        {"cut short to half", [&](const QString& p) { cutTo(p, 0.5); }},
        {"cut short by a byte", [&](const QString& p) { cutTo(p, 0.9999); }},
        {"a byte damaged",
         [](const QString& p) {
             QFile file(firstrows::pathFor(p));
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             QByteArray bytes = file.readAll();
             bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x20);
             file.seek(0);
             file.write(bytes);
         }},
        {"the file of another register",
         [](const QString& p) {
             TempRegister other;
             other.addCd(QStringLiteral("Cizí"));
             start(other.path());
             QFile::remove(firstrows::pathFor(p));
             ASSERT_TRUE(QFile::copy(firstrows::pathFor(other.path()), firstrows::pathFor(p)));
         }},
        {"a FIFO in its place (opening it would wait for a writer)",
         [](const QString& p) {
             QFile::remove(firstrows::pathFor(p));
             ASSERT_EQ(::mkfifo(QFile::encodeName(firstrows::pathFor(p)).constData(), 0600), 0);
         }},
        {"a link to a file elsewhere (never read or written through)",
         [](const QString& p) {
             const QString elsewhere = p + QStringLiteral(".jinde");
             QFile other(elsewhere);
             ASSERT_TRUE(other.open(QIODevice::WriteOnly));
             other.write("cizí soubor");
             other.close();
             QFile::remove(firstrows::pathFor(p));
             ASSERT_TRUE(QFile::link(elsewhere, firstrows::pathFor(p)));
         }},
        {"made by hand with a right checksum and two billion rows",
         [](const QString& p) {
             firstrows::Saved forged;
             forged.state = firstrows::stateOf(p);
             forged.lists.push_back({QStringLiteral("cd"), 1, {0, 1}, 2'000'000'000, {QStringLiteral("1"), "Aaa"}});
             forged.lists.push_back({QStringLiteral("lide"), 1, {0, 1, 2}, 0, {}});
             ASSERT_TRUE(firstrows::write(p, forged).ok());
         }},
        {"a kill while they were written: no file, its half-written new one beside",
         [](const QString& p) {
             const QString name = firstrows::pathFor(p);
             QFile::rename(name, name + QStringLiteral(".Xa1b2c"));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spoiler);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("db1.zaz"));
        {
            TempRegister seed; // fills a register of its own, copied into place
            fill(seed, 250, 30);
            seed.exec(QStringLiteral("VACUUM INTO '%1.seed'").arg(path));
        }
        ASSERT_TRUE(QFile::rename(path + QStringLiteral(".seed"), path));
        start(path); // keeps the first rows
        ASSERT_TRUE(QFile::exists(firstrows::pathFor(path)));
        c.spoil(path);
        Lists truth;
        {
            qputenv("ORDISK_FIRST_ROWS", "off");
            truth = shownBy(start(path).get());
            qunsetenv("ORDISK_FIRST_ROWS");
        }
        const QByteArray before = fileHash(path);
        HeldReading held;
        EXPECT_EQ(shownBy(start(path).get()), truth);
        // And the next start shows them from the rows kept anew.
        const Started next = start(path);
        EXPECT_EQ(shownBy(next.get()).cds.mid(0, kept), truth.cds.mid(0, kept));
        EXPECT_EQ(shownBy(next.get()).cds.value(kept), QString());
        pressShift(next.get());
        EXPECT_EQ(shownBy(next.get()), truth);
        EXPECT_EQ(fileHash(path), before);
        // A file elsewhere that a link pointed to is left as it was.
        if (QFile::exists(path + QStringLiteral(".jinde"))) {
            QFile other(path + QStringLiteral(".jinde"));
            ASSERT_TRUE(other.open(QIODevice::ReadOnly));
            EXPECT_EQ(QString::fromUtf8(other.readAll()), QStringLiteral("cizí soubor"));
        }
    }
}

// Rows that are not the register's although the file's state is theirs (a register put back
// with its old time of change) are shown once at most: the start that reads every row keeps
// the right ones.
TEST(FirstRows, WrongRowsForTheRegistersStateAreReplacedByTheNextStart)
{
    TempRegister reg;
    fill(reg, 150, 10);
    Lists everyRow = shownBy(start(reg.path()).get());
    firstrows::Saved forged;
    forged.state = firstrows::stateOf(reg.path());
    forged.lists.push_back({QStringLiteral("cd"), 1, {0, 1}, 150, {QStringLiteral("1"), "Cizí disk"}});
    forged.lists.push_back({QStringLiteral("lide"), 1, {0, 1, 2}, 10, {}});
    ASSERT_TRUE(firstrows::write(reg.path(), forged).ok());
    HeldReading held;
    {
        const Started once = start(reg.path());
        EXPECT_EQ(shownBy(once.get()).cds.value(0), QStringLiteral("Cizí disk"));
        pressShift(once.get()); // every row read: the right first rows are kept
    }
    const Started next = start(reg.path());
    EXPECT_EQ(shownBy(next.get()).cds.mid(0, kept), everyRow.cds.mid(0, kept));
}

// A disk too full for the file: nothing is left of the new one, and the old one stays whole.
TEST(FirstRows, AFullDiskLeavesTheOldFileAsItWas)
{
    TempRegister reg;
    fill(reg, 150, 10);
    start(reg.path());
    const QByteArray before = fileHash(firstrows::pathFor(reg.path()));
    firstrows::Saved bigger;
    bigger.state = firstrows::stateOf(reg.path());
    bigger.lists.push_back({QStringLiteral("cd"), 1, {0, 1}, 150, {QStringLiteral("1"), QString(900, u'x')}});
    // The process may write files of 100 bytes at most (as a full disk, the write fails midway).
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{100, limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const Status status = firstrows::write(reg.path(), bigger);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(fileHash(firstrows::pathFor(reg.path())), before);
    EXPECT_EQ(QDir(QFileInfo(reg.path()).path())
                  .entryList({QStringLiteral(".db1.zaz-seznamy.*")}, QDir::Hidden | QDir::Files),
              QStringList());
}
