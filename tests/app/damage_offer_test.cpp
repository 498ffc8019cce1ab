// A damaged register offers its newest whole copy: "Ano" chooses it, "Ne" chooses nothing,
// and without a whole copy the user is told so; a restore refused after the window closed
// starts the program again; a day's copy that cannot be made is told.
#include "app/daily_backup.h"
#include "app/damage_offer.h"
#include "app/session.h"
#include "backups/backups.h"
#include "dialog_answerer.h"
#include "patience.h"
#include "qt_printers.h"
#include "rows/register.h"
#include "storage/database.h"
#include "storage/trash.h"
#include "temp_register.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

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

// The whole road from a register found damaged at start-up: "Ano" restores the offered copy
// once the windows are gone (the damaged file kept beside the copies) and starts the program
// again; "Ne" ends it with the file as it was.
TEST(DamageOffer, AnoRestoresTheCopyAndStartsTheProgramAgainNeLeavesTheFile)
{
    for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
        SCOPED_TRACE(answer == QMessageBox::Yes ? "Ano" : "Ne");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("db1.zaz"));
        {
            Status status = Status::success();
            std::unique_ptr<Register> reg = Register::open(path, status);
            ASSERT_NE(reg, nullptr);
            ASSERT_TRUE(reg->db().exec(QStringLiteral("INSERT INTO cd (nazev) VALUES ('Kytice')")).ok());
            ASSERT_FALSE(backups::daily(reg->db(), path, QDate(2026, 12, 7)).made.isEmpty());
            ASSERT_TRUE(reg->db().exec(QStringLiteral("INSERT INTO cd (nazev) VALUES ('Babička')")).ok());
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray damaged = file.readAll();
        damaged.replace(4096, 4096, QByteArray(4096, '\x5a')); // the first table's page
        file.seek(0);
        file.write(damaged);
        file.close();

        DialogAnswerer answerer;
        answerer.answer(answer);
        int started = 0;
        const int exitStatus = runWindows(path, [&started] { return ++started == 1; });
        EXPECT_EQ(answerer.shown().size(), 1) << answerer.summary().join(QLatin1Char('\n')).toStdString();
        const QStringList kept = QDir(backups::folderOf(path)).entryList({QStringLiteral("*-pred-obnovou.zaz")});
        if (answer == QMessageBox::No) {
            EXPECT_EQ(exitStatus, 1);
            EXPECT_EQ(started, 0);
            EXPECT_EQ(readAll(path), damaged);
            EXPECT_TRUE(kept.isEmpty());
            continue;
        }
        EXPECT_EQ(exitStatus, 0);
        EXPECT_EQ(started, 1);
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(readAll(QDir(backups::folderOf(path)).filePath(kept.first())), damaged);
        Status status = Status::success();
        std::unique_ptr<Register> reg = Register::open(path, status);
        ASSERT_NE(reg, nullptr) << status.message().toStdString();
        qint64 discs = 0;
        ASSERT_TRUE(reg->db().queryInt(QStringLiteral("SELECT count(*) FROM cd"), discs).ok());
        EXPECT_EQ(discs, 1);
    }
}

// A restore chosen in the menu that is refused once the window has closed (here the copy is
// gone by then) says why and starts the program again on the register as it was, as the
// window promised it would start again.
TEST(Session, ARestoreRefusedAfterTheWindowClosedStartsTheProgramAgainOnTheOldRegister)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.zaz"));
    QString copy;
    {
        Status status = Status::success();
        std::unique_ptr<Register> reg = Register::open(path, status);
        ASSERT_NE(reg, nullptr);
        ASSERT_TRUE(reg->db().exec(QStringLiteral("INSERT INTO cd (nazev) VALUES ('Kytice')")).ok());
        copy = backups::now(reg->db(), path, QDateTime(QDate(2026, 12, 1), QTime(9, 30))).made;
        ASSERT_FALSE(copy.isEmpty());
        ASSERT_TRUE(reg->db().exec(QStringLiteral("INSERT INTO cd (nazev) VALUES ('Babička')")).ok());
    }
    const QByteArray before = readAll(path);
    // The user: Soubor ▸ Obnovit ze zálohy…, the newest copy, "Ano"; the copy goes meanwhile.
    QStringList told;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal->property("answered").toBool()) {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->objectName() == QLatin1String("Form1") && window->isVisible() && !modal &&
                    !window->property("asked").toBool()) {
                    // From a timer of its own: the menu's item runs its dialogs inside the key press.
                    window->setProperty("asked", true);
                    QTimer::singleShot(0, window, [window] {
                        QApplication::setActiveWindow(window);
                        QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
                        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_O);
                    });
                }
            return;
        }
        modal->setProperty("answered", true);
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            // The list of copies: the one made on 1 December (the day's copy of today may be
            // listed above it, made meanwhile by the start), then "Obnovit".
            if (auto* copies = modal->findChild<QTableWidget*>(QStringLiteral("Backups"))) {
                for (int row = 0; row < copies->rowCount(); ++row)
                    if (copies->item(row, 0)->text().startsWith(QStringLiteral("1. 12. 2026")))
                        for (int down = copies->currentRow(); down < row; ++down)
                            QTest::keyClick(copies, Qt::Key_Down);
            }
            QTest::keyClick(modal, Qt::Key_Return);
        } else if (box->icon() == QMessageBox::Question) {
            QFile::remove(copy);
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        } else {
            told << box->windowTitle() + QStringLiteral(": ") + box->text();
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    user.start(5);
    int started = 0;
    const int exitStatus = runWindows(path, [&started] { return ++started == 1; });
    EXPECT_EQ(exitStatus, 0);
    EXPECT_EQ(started, 1);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("Chyba: ")));
    EXPECT_TRUE(told[0].endsWith(QStringLiteral("Nic nebylo změněno.\nProgram se spustí znovu na dosavadní evidenci.")))
        << told[0].toStdString();
    EXPECT_EQ(readAll(path), before);
}

// What has been in the trash longer than thirty days is gone once the program has started;
// what was deleted since stays.
TEST(Session, WhatWasInTheTrashLongerThanThirtyDaysGoesAtStart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.zaz"));
    {
        Status status = Status::success();
        std::unique_ptr<Register> reg = Register::open(path, status);
        ASSERT_NE(reg, nullptr);
        for (const QString& name : {QStringLiteral("Kytice"), QStringLiteral("Babička")}) {
            ASSERT_TRUE(reg->db().execute(QStringLiteral("INSERT INTO cd (nazev) VALUES (?)"), {name}).ok());
            trash::keep(reg->db(), QStringLiteral("cd"), reg->db().lastInsertRowId(), QDateTime::currentDateTime(),
                        status);
            ASSERT_TRUE(status.ok());
        }
        ASSERT_TRUE(
            reg->db()
                .execute(QStringLiteral("UPDATE kos SET smazano = ? WHERE nazev = 'Kytice'"),
                         {QDateTime::currentDateTime().addDays(-trash::keptDays).addSecs(-60).toString(Qt::ISODate)})
                .ok());
    }
    QTimer user; // closes the window once it shows
    QObject::connect(&user, &QTimer::timeout, [] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == QLatin1String("Form1") && window->isVisible())
                window->close();
    });
    user.start(5);
    EXPECT_EQ(runWindows(path, [] { return false; }), 0);
    Status status = Status::success();
    std::unique_ptr<Register> reg = Register::open(path, status);
    ASSERT_NE(reg, nullptr);
    std::vector<trash::Item> items = trash::items(reg->db(), status);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].name, QStringLiteral("Babička"));
}

// The day's copy is made also at a start that shows the lists' first rows kept from the last
// run before the rest is read: it begins once the lists are read.
TEST(Session, TheDaysCopyIsMadeOnceTheListsAreRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.zaz"));
    {
        Status status = Status::success();
        std::unique_ptr<Register> reg = Register::open(path, status);
        ASSERT_NE(reg, nullptr);
        for (int i = 0; i < 300; ++i)
            ASSERT_TRUE(reg->db().execute(QStringLiteral("INSERT INTO cd (nazev) VALUES (?)"), {i}).ok());
    }
    const QString copies = backups::folderOf(path);
    for (const bool firstRowsKept : {false, true}) {
        SCOPED_TRACE(firstRowsKept);
        EXPECT_EQ(QFile::exists(dir.filePath(QStringLiteral(".db1.zaz-seznamy"))), firstRowsKept);
        QDir(copies).removeRecursively();
        QTimer user; // closes the window once the day's copy is there
        QElapsedTimer waited;
        waited.start();
        QObject::connect(&user, &QTimer::timeout, [&] {
            const bool copied = !QDir(copies).entryList({QStringLiteral("*.zaz")}, QDir::Files).isEmpty();
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->objectName() == QLatin1String("Form1") && window->isVisible() &&
                    (copied || waited.elapsed() > patienceMs))
                    window->close();
        });
        user.start(5);
        EXPECT_EQ(runWindows(path, [] { return false; }), 0);
        EXPECT_EQ(QDir(copies).entryList({QStringLiteral("*.zaz")}, QDir::Files).size(), 1);
    }
}

// A day's copy that cannot be made (zalohy is a file) is told once, in Czech words naming
// zalohy and what it is, and the file is left as it was.
TEST(DailyCopy, ACopyThatCannotBeMadeIsTold)
{
    TempRegister reg;
    reg.addCd(QStringLiteral("Kytice"));
    const QString folder = backups::folderOf(reg.path());
    {
        QFile file(folder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a folder");
    }
    QWidget window;
    window.show();
    DialogAnswerer answerer;
    {
        const DailyBackup copy(reg.db(), reg.path(), &window);
        ASSERT_TRUE(QTest::qWaitFor([&answerer] { return !answerer.shown().empty(); }, patienceMs));
    }
    ASSERT_EQ(answerer.shown().size(), 1);
    EXPECT_EQ(answerer.shown()[0].title, QStringLiteral("Chyba"));
    EXPECT_EQ(answerer.shown()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(answerer.shown()[0].text.contains(QStringLiteral("zalohy (%1) není složka, ale soubor").arg(folder)))
        << answerer.shown()[0].text.toStdString();
    EXPECT_EQ(readAll(folder), QByteArray("not a folder"));
}
