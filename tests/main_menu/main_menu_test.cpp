// The main window's menu driven as a user does: Alt+S, the arrow keys and Enter, the file
// dialogs typed into; what the window shows and the register holds afterwards.
#include "backups/backups.h"
#include "main_menu/background.h"
#include "main_menu/main_menu.h"
#include "menu_fixture.h"
#include "qt_printers.h"
#include "storage/database.h"
#include "storage/register_file.h"
#include "temp_register.h"
#include "transfer/sheet_export.h"
#include "ui_common/messages.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <vector>

// The bar with its two menus, their mnemonics and shortcuts, every item named for a screen
// reader; the window's controls keep their places below it.
TEST_F(MainMenu, StandsAboveTheControlsWithNamedItems)
{
    const int height = bar()->height();
    EXPECT_GT(height, 0);
    EXPECT_EQ(bar()->geometry().top(), 0);
    // The controls as the window lays them out, moved down by the bar; the window taller by it.
    EXPECT_EQ(child<QPushButton>(form.get(), "CmbKonec")->geometry(), QRect(728, 616 + height, 145, 57));
    EXPECT_EQ(form->height(), 687 + height);

    QAccessibleInterface* menus = QAccessible::queryAccessibleInterface(bar());
    ASSERT_NE(menus, nullptr);
    QStringList names;
    for (int i = 0; i < menus->childCount(); ++i)
        names << menus->child(i)->text(QAccessible::Name);
    EXPECT_EQ(names, QStringList({"Soubor", "Úpravy", "Nápověda"}));

    QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
    auto* file = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(file, nullptr);
    QAccessibleInterface* items = QAccessible::queryAccessibleInterface(file);
    names.clear();
    for (int i = 0; i < items->childCount(); ++i)
        names << items->child(i)->text(QAccessible::Name);
    names.removeAll(QString()); // separators
    EXPECT_EQ(names, QStringList({"Importovat disky…", "Importovat lidi…", "Exportovat", "Tisk…", "Kdo má co půjčeno…",
                                  "Dlouho půjčená CD…", "Upomínky…", "Upomínka vybranému…", "Přehled půjčování",
                                  "Zálohovat evidenci…", "Obnovit ze zálohy…", "Koš…", "Konec"}));
    QTest::keyClick(file, Qt::Key_Escape);
    EXPECT_EQ(action("Konec")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_EQ(action("Tisk")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(action("Prirucka")->shortcut(), QKeySequence(Qt::Key_F1));
}

// While a record is edited, the items that change data wait, as the window's buttons do.
TEST_F(MainMenu, ItemsThatChangeDataAreDisabledWhileEditing)
{
    pickCd(QStringLiteral("Kytice"));
    const char* changing[] = {"ImportovatDisky", "ImportovatLidi", "Obnovit", "Kos", "Konec"};
    for (const char* name : changing)
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    EXPECT_TRUE(press(form.get(), "Command10").isEmpty()); // Editovat
    for (const char* name : changing)
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    EXPECT_TRUE(action("ExportovatDisky")->isEnabled());
    EXPECT_TRUE(action("Zalohovat")->isEnabled());
    // "O programu" is the window's "O progamu": usable when it is.
    EXPECT_FALSE(child<QPushButton>(form.get(), "Command9")->isEnabled());
    EXPECT_FALSE(action("OProgramu")->isEnabled());
    press(form.get(), "Command11"); // OK, and its message
    for (const char* name : changing)
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    EXPECT_TRUE(action("OProgramu")->isEnabled());
}

// An import through the menu: the file typed into the dialog, its summary with the first
// rows, "Přidat"; the list shows the new discs at once. A refused file shows its refusals
// and stores nothing.
TEST_F(MainMenu, ImportsAWorkbookAndShowsItsRowsOrItsRefusals)
{
    {
        DialogAnswerer answerer;
        QStringList previewed;
        DialogScript script({fileAnswer("ImportFile", QStringLiteral("sbirka.ods")),
                             {QStringLiteral("ImportSummary"), [&previewed](QWidget* dialog) {
                                  auto* preview = child<QTableWidget>(dialog, "Preview");
                                  for (int row = 0; row < preview->rowCount(); ++row)
                                      previewed << preview->item(row, 0)->text();
                                  QTest::keyClick(dialog, Qt::Key_Return); // "Přidat" is the default
                              }}});
        chooseFromFile({Qt::Key_Return}); // the first item: Importovat disky…
        EXPECT_EQ(script.taken(), 2u);
        EXPECT_EQ(previewed, QStringList({"Má vlast", "1984", "007"}));
        ASSERT_EQ(answerer.summary().size(), 1);
        EXPECT_TRUE(answerer.summary().first().startsWith(
            QStringLiteral("Importovat disky: Přidáno disků: 3.\nEvidence před přidáním je zálohována v ") +
            backups::folderOf(reg.path())))
            << answerer.summary().first().toStdString();
    }
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 6"));
    EXPECT_NE(gui::rowOf(child<QTableView>(form.get(), "MSFlexGrid1"), 1, QStringLiteral("Má vlast")), -1);
    // The import is one step: taken back whole, and done again.
    EXPECT_EQ(undoText(), QStringLiteral("Zpět: import disků (3)"));
    action("Zpet")->trigger();
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 3"));
    action("Znovu")->trigger();
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 6"));

    QStringList refusals;
    DialogScript script({fileAnswer("ImportFile", QStringLiteral("chyba.xlsx")),
                         {QStringLiteral("ImportRefusals"), [&refusals](QWidget* dialog) {
                              auto* list = child<QTableWidget>(dialog, "Refusals");
                              for (int c = 0; c < list->columnCount(); ++c)
                                  refusals << list->item(0, c)->text();
                              QTest::keyClick(dialog, Qt::Key_Return);
                          }}});
    chooseFromFile({Qt::Key_Return});
    EXPECT_EQ(refusals, QStringList({"6", "007", "Počet disků musí být číslo (je tam „2 ks“)"}));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("6"));

    // A collector's own sheet: its own columns named and left out; brought in again, its rows
    // are told as already there and "Ne" adds nothing.
    QFile own(documents() + QStringLiteral("/vlastni.csv"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("Název;Interpret;Počet disků;Typ disku;Typ obsahu;Cena\nJiná tvář;Zrní;1;CD;Hudba;300\n");
    own.close();
    DialogAnswerer answerer;
    answerer.pressEnter(); // Přidáno disků: 1.
    answerer.answer(QMessageBox::No);
    QString summary;
    DialogScript ownColumns({fileAnswer("ImportFile", QStringLiteral("vlastni.csv")),
                             {QStringLiteral("ImportSummary"), [&summary](QWidget* dialog) {
                                  summary = child<QLabel>(dialog, "Summary")->text();
                                  QTest::keyClick(dialog, Qt::Key_Return);
                              }}});
    chooseFromFile({Qt::Key_Return});
    EXPECT_TRUE(summary.contains(QStringLiteral("Tyto sloupce se neuloží: Interpret, Cena."))) << summary.toStdString();
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("7"));
    DialogScript again({fileAnswer("ImportFile", QStringLiteral("vlastni.csv"))});
    chooseFromFile({Qt::Key_Return});
    ASSERT_EQ(answerer.shown().size(), 2);
    EXPECT_EQ(answerer.shown().last().text,
              QStringLiteral("Soubor obsahuje 1 disk, který už v evidenci je (se stejnými hodnotami ve všech sloupcích "
                             "souboru); přidat ho znovu?"));
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("7"));
}

// An export through the menu writes the file chosen, in the format its name asks for, and
// says where it is.
TEST_F(MainMenu, ExportsTheListChosenToTheFileChosen)
{
    const QString path = documents() + QStringLiteral("/lide.xlsx");
    DialogAnswerer answerer;
    DialogScript script({fileAnswer("ExportFile", QStringLiteral("lide.xlsx"))});
    // Soubor ▸ Exportovat ▸ Lidi…
    chooseFromFile({Qt::Key_E, Qt::Key_L});
    EXPECT_EQ(script.taken(), 1u);
    EXPECT_EQ(answerer.summary(), QStringList({"Exportovat: Seznam je uložen v souboru\n" + path}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(4).startsWith("PK"));
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
}

// A restore through the menu: the copies listed with their numbers, asked once more, and the
// copy handed on to be restored as the program ends; "Ne" changes nothing.
TEST_F(MainMenu, RestoreListsTheCopiesAndHandsTheChosenOneOn)
{
    const QString copy = backups::now(reg.db(), reg.path(), QDateTime(QDate(2026, 12, 1), QTime(9, 30))).made;
    ASSERT_FALSE(copy.isEmpty());
    QString handed;
    mainmenu::onRestore([&handed](const QString& chosen) { handed = chosen; });
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        DialogAnswerer answerer;
        answerer.answer(answer);
        QStringList listed;
        DialogScript script({{QStringLiteral("RestoreDialog"), [&listed](QWidget* dialog) {
                                  auto* copies = child<QTableWidget>(dialog, "Backups");
                                  for (int c = 0; c < copies->columnCount(); ++c)
                                      listed << copies->item(0, c)->text();
                                  QTest::keyClick(dialog, Qt::Key_Return); // "Obnovit" is the default
                              }}});
        chooseFromFile({Qt::Key_O});
        EXPECT_EQ(listed, QStringList({"1. 12. 2026 09:30", "3", "3", "3"}));
        ASSERT_EQ(answerer.shown().size(), 1);
        EXPECT_TRUE(answerer.shown().first().text.startsWith(
            QStringLiteral("Obnovit evidenci ze zálohy z 1. 12. 2026 09:30 (disků: 3, lidí: 3, výpůjček: 3)?")));
        EXPECT_EQ(handed, answer == QMessageBox::Yes ? copy : QString());
        EXPECT_EQ(form->isVisible(), answer == QMessageBox::No) << "the program ends to restore";
    }
    mainmenu::onRestore(nullptr);
}

// "Zálohovat evidenci…" ▸ "Jinam…" over an older copy: on a full disk the old file stays byte
// for byte and the failure is told; with room it is replaced by a whole copy. The register
// itself chosen in the dialog is refused, and the program goes on with it.
TEST_F(MainMenu, ACopyElsewhereReplacesAnOldCopyOnlyWhenWholeAndRefusesTheRegister)
{
    const QString old = documents() + QStringLiteral("/stara.zaz");
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("an older copy ").repeated(100));
    }
    const auto bytes = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray oldBytes = bytes(old);
    const QByteArray registerBytes = bytes(reg.path());
    const auto backUpTo = [this](const QString& name) {
        DialogAnswerer answerer;
        answerer.click(QStringLiteral("Jinam…"));
        answerer.answer(QMessageBox::Yes); // the save dialog's "replace it?"
        DialogScript script({fileAnswer("BackupFile", name)});
        chooseFromFile({Qt::Key_Z});
        EXPECT_EQ(script.taken(), 1u);
        return answerer.shown();
    };

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small = {8 << 10, limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const QList<ShownBox> full = backUpTo(QStringLiteral("stara.zaz"));
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ASSERT_EQ(full.size(), 3);
    EXPECT_EQ(full[2].title, QStringLiteral("Chyba"));
    EXPECT_EQ(full[2].icon, QMessageBox::Critical);
    EXPECT_TRUE(full[2].text.contains(QStringLiteral("Dosavadní soubor %1 zůstal, jak byl.").arg(old)))
        << full[2].text.toStdString();
    EXPECT_EQ(bytes(old), oldBytes);
    EXPECT_EQ(QDir(documents()).entryList({QStringLiteral("*stara*")}, QDir::Files | QDir::Hidden),
              QStringList("stara.zaz"));

    const QList<ShownBox> replaced = backUpTo(QStringLiteral("stara.zaz"));
    ASSERT_EQ(replaced.size(), 3);
    EXPECT_EQ(replaced[2].text,
              QStringLiteral("Evidence je zálohována do\n%1\n(disků: 3, lidí: 3, výpůjček: 3).").arg(old));
    ASSERT_TRUE(backups::examine({QDate::currentDate(), old}, true).has_value());

    // The user's documents are where the register is: db1.zaz chosen there.
    QTemporaryDir elsewhere;
    QFile::link(QFileInfo(reg.path()).absolutePath(), elsewhere.filePath(QStringLiteral("Documents")));
    qputenv("HOME", elsewhere.path().toLocal8Bit());
    const QList<ShownBox> itself = backUpTo(QStringLiteral("db1.zaz"));
    qputenv("HOME", home.path().toLocal8Bit());
    ASSERT_EQ(itself.size(), 3);
    EXPECT_EQ(itself[2].title, QStringLiteral("Chyba"));
    EXPECT_TRUE(itself[2].text.contains(QStringLiteral("je to sama evidence"))) << itself[2].text.toStdString();
    EXPECT_EQ(bytes(reg.path()), registerBytes);
    pickCd(QStringLiteral("Kytice"));
    EXPECT_EQ(shown("Text1"), QString::number(kytice)) << "the program goes on with the register";
}

// An import cancelled while its file is checked, and while its rows are written: the progress
// dialog is there while the file is read, a message box shown meanwhile is answered with a key,
// the cancel is told as an outcome (not an error) and nothing is stored. That the reading of a
// file yielding no rows stops at the cancel is the sheets' own test. While the rows are
// written another connection holds the register locked until the cancel is pressed,
// so that the import cannot end before its progress dialog shows, however fast the machine.
TEST_F(MainMenu, CancelDuringTheCheckOrTheWritingStoresNothingAndSaysSo)
{
    QFile::copy(QStringLiteral(ORDISK_FIXTURES "/prazdne.xlsx"), documents() + QStringLiteral("/prazdne.xlsx"));
    {
        QFile csv(documents() + QStringLiteral("/mnoho.csv"));
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        csv.write("nazev;pocetdisku;typdisku;typobsahu\n");
        for (int i = 0; i < 50000; ++i)
            csv.write(QStringLiteral("Disk %1;1;CD;Hudba\n").arg(i).toUtf8());
    }
    const auto cancel = [](QWidget* progress) { QTest::keyClick(progress, Qt::Key_Escape); };
    {
        // During the check, a message box comes (as a failed day's copy's does) and is answered.
        DialogAnswerer answerer;
        answerer.pressEnter();
        DialogScript script({fileAnswer("ImportFile", QStringLiteral("prazdne.xlsx")),
                             {QStringLiteral("Progress"), [&](QWidget* progress) {
                                  QMetaObject::invokeMethod(
                                      form.get(),
                                      [this] {
                                          messages::critical(form.get(), QStringLiteral("Chyba"),
                                                             QStringLiteral("Zálohu evidence nelze uložit."));
                                      },
                                      Qt::QueuedConnection);
                                  ASSERT_TRUE(QTest::qWaitFor([&] { return !answerer.shown().empty(); }, patienceMs));
                                  QTest::keyClick(progress, Qt::Key_Escape);
                              }}});
        chooseFromFile({Qt::Key_Return});
        EXPECT_EQ(script.taken(), 2u) << "the progress dialog showed while the file was read";
        EXPECT_EQ(answerer.summary(), QStringList({"Chyba: Zálohu evidence nelze uložit.",
                                                   "Importovat disky: Přidávání bylo zrušeno. Nic nebylo uloženo."}));
        ASSERT_EQ(answerer.shown().size(), 2);
        EXPECT_EQ(answerer.shown()[1].icon, QMessageBox::Information);
    }
    // The same rows in the workbooks, as the program writes them.
    {
        TempRegister many;
        many.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                                 "INSERT INTO cd (idcd, nazev, pocetdisku, typdisku, typobsahu) SELECT 100000 + i, "
                                 "'Disk ' || i, 1, 'CD', 'Hudba' FROM n"));
        for (const char* suffix : {"xlsx", "ods"}) {
            const QString path = documents() + QStringLiteral("/mnoho.") + QLatin1String(suffix);
            ASSERT_TRUE(sheetexport::write(many.db(), QStringLiteral("cd"), path, sheetexport::formatOf(path)).ok());
        }
    }
    Status opened = Status::success();
    const std::unique_ptr<Database> other = Database::connect(QFile::encodeName(reg.path()), opened);
    ASSERT_TRUE(other) << opened.message().toStdString();
    for (const char* file : {"mnoho.csv", "mnoho.xlsx", "mnoho.ods"}) {
        SCOPED_TRACE(file);
        DialogAnswerer answerer;
        DialogScript script({fileAnswer("ImportFile", QString::fromLatin1(file)),
                             {QStringLiteral("ImportSummary"),
                              [&](QWidget* dialog) {
                                  ASSERT_TRUE(other->exec(QStringLiteral("BEGIN EXCLUSIVE")).ok());
                                  QTest::keyClick(dialog, Qt::Key_Return);
                              }},
                             {QStringLiteral("Progress"), [&](QWidget* progress) {
                                  cancel(progress);
                                  ASSERT_TRUE(other->exec(QStringLiteral("COMMIT")).ok());
                              }}});
        chooseFromFile({Qt::Key_Return});
        EXPECT_EQ(script.taken(), 3u);
        EXPECT_EQ(answerer.summary(), QStringList("Importovat disky: Přidávání bylo zrušeno. Nic nebylo uloženo."));
    }
    EXPECT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM cd")), QStringLiteral("3"));
    EXPECT_EQ(heading("LblNadpis1"), QStringLiteral("Seznam CD - 3"));
}

// A restore the window would promise and then be refused is refused while the window is
// open: a copy made by a newer version, and any copy while another program has the register
// open. The program goes on with its register, nothing is handed to be restored. The
// registers kept before restores are listed too, so that a restore can be undone.
TEST_F(MainMenu, ARestoreThatWouldBeRefusedIsRefusedBeforeTheWindowCloses)
{
    const QString folder = backups::folderOf(reg.path());
    const QString newer = backups::now(reg.db(), reg.path(), QDateTime(QDate(2026, 12, 1), QTime(9, 30))).made;
    ASSERT_FALSE(newer.isEmpty());
    {
        Status status = Status::success();
        auto copy = Database::connect(QFile::encodeName(newer), status);
        ASSERT_TRUE(copy && copy->exec(QStringLiteral("PRAGMA user_version = 999")).ok());
    }
    ASSERT_TRUE(
        QFile::copy(reg.path(), QDir(folder).filePath(QStringLiteral("db1-2026-12-02-103015-pred-obnovou.zaz"))));
    QString handed;
    mainmenu::onRestore([&handed](const QString& chosen) { handed = chosen; });
    const QByteArray registerBytes = [this] {
        QFile file(reg.path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QProcess other; // another program holding the register as each copy of Ordisk does
    const struct
    {
        const char* what;
        int row; // in the list, newest first
        const char* said;
    } refusals[] = {
        {"a copy made by a newer version", 1, "byl vytvořen novější verzí programu Ordisk"},
        {"while another program has the register open", 0, "má otevřenou jiný běžící program Ordisk"},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        if (r.row == 0) {
            other.start(QStringLiteral("flock"),
                        {QStringLiteral("-s"), reg.path(), QStringLiteral("sleep"), QStringLiteral("60")});
            ASSERT_TRUE(other.waitForStarted());
            ASSERT_TRUE(
                QTest::qWaitFor([this] { return RegisterInUse::take(reg.path(), true) == nullptr; }, patienceMs));
        }
        DialogAnswerer answerer;
        QStringList listed;
        DialogScript script({{QStringLiteral("RestoreDialog"), [&listed, &r](QWidget* dialog) {
                                  auto* copies = child<QTableWidget>(dialog, "Backups");
                                  for (int row = 0; row < copies->rowCount(); ++row)
                                      listed << copies->item(row, 0)->text();
                                  for (int down = 0; down < r.row; ++down)
                                      QTest::keyClick(copies, Qt::Key_Down);
                                  QTest::keyClick(dialog, Qt::Key_Return);
                              }}});
        chooseFromFile({Qt::Key_O});
        EXPECT_EQ(listed, QStringList({"2. 12. 2026 10:30 (před obnovou)", "1. 12. 2026 09:30"}));
        ASSERT_EQ(answerer.shown().size(), 1) << answerer.summary().join('\n').toStdString();
        EXPECT_EQ(answerer.shown()[0].title, QStringLiteral("Chyba"));
        EXPECT_TRUE(answerer.shown()[0].text.contains(QString::fromUtf8(r.said)))
            << answerer.shown()[0].text.toStdString();
        EXPECT_TRUE(answerer.shown()[0].text.endsWith(QStringLiteral("Nic nebylo změněno.")));
        EXPECT_TRUE(handed.isEmpty());
        EXPECT_TRUE(form->isVisible()) << "the program goes on";
    }
    other.kill();
    other.waitForFinished(-1);
    QFile file(reg.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), registerBytes);
    mainmenu::onRestore(nullptr);
}

// "Nevrácená CD…" with the CSV filter picked in the save dialog and a name typed without a
// suffix: the file gets the filter's suffix and holds the loans not returned, and only them.
TEST_F(MainMenu, ExportOfTheLoansNotReturnedTakesTheSuffixOfTheFilterChosen)
{
    DialogAnswerer answerer;
    DialogScript script({{QStringLiteral("ExportFile"), [](QWidget* dialog) {
                              auto* filters = child<QComboBox>(dialog, "fileTypeCombo");
                              QTest::keyClick(filters, Qt::Key_Down);
                              QTest::keyClick(filters, Qt::Key_Down);
                              auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                              EXPECT_TRUE(box->text().endsWith(QStringLiteral(".csv"))) << box->text().toStdString();
                              box->selectAll();
                              QTest::keyClick(box, Qt::Key_Delete);
                              gui::type(box, QStringLiteral("nevraceno"));
                              if (QWidget* completion = QApplication::activePopupWidget())
                                  QTest::keyClick(completion, Qt::Key_Escape);
                              QTest::keyClick(box, Qt::Key_Return);
                          }}});
    chooseFromFile({Qt::Key_E, Qt::Key_N}); // Soubor ▸ Exportovat ▸ Nevrácená CD…
    const QString path = documents() + QStringLiteral("/nevraceno.csv");
    EXPECT_EQ(answerer.summary(), QStringList({"Exportovat: Seznam je uložen v souboru\n" + path}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("na chatu"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Babička")));
    EXPECT_FALSE(text.contains(QStringLiteral("vráceno včas"))) << "a returned loan is not listed";
    EXPECT_EQ(text.count(QLatin1Char('\n')), 3) << "the header and two loans";
}

// Escape on the progress dialog cancels work that may be cancelled ("Ruší se…", the work told
// and ended early) and does nothing to work that may not: that dialog says nothing of a
// cancel, stays until the work ends, and the work ends as done.
TEST_F(MainMenu, EscapeCancelsOnlyWorkThatMayBeCancelled)
{
    for (const bool cancellable : {true, false}) {
        SCOPED_TRACE(cancellable ? "cancellable" : "not cancellable");
        std::atomic<bool> release = false; // the test lets work that may not be cancelled end
        std::atomic<bool> toldToStop = false;
        QString label;
        bool stayed = false;
        DialogScript script({{QStringLiteral("Progress"), [&](QWidget* progress) {
                                  QTest::keyClick(progress, Qt::Key_Escape); // told at once, by a signal
                                  label = progress->findChild<QLabel*>()->text();
                                  stayed = progress->isVisible();
                                  release = true;
                              }}});
        const mainmenu::Ended ended =
            mainmenu::runInBackground(form.get(), QStringLiteral("Práce"), QStringLiteral("Pracuje se…"), cancellable,
                                      [&](mainmenu::Progress& progress) {
                                          while (!release && !progress.cancelled())
                                              QThread::msleep(5);
                                          toldToStop = progress.cancelled();
                                          while (!release)
                                              QThread::msleep(5);
                                      });
        EXPECT_EQ(script.taken(), 1u);
        EXPECT_TRUE(stayed) << "the dialog stays until the work ends";
        EXPECT_EQ(label.contains(QStringLiteral("Ruší se")), cancellable) << label.toStdString();
        EXPECT_EQ(toldToStop.load(), cancellable);
        EXPECT_EQ(ended, cancellable ? mainmenu::Ended::Cancelled : mainmenu::Ended::Done);
    }
}

// Closing the window a piece of work runs for cancels it, even work Escape may not cancel:
// the work is told to stop, and nothing more is told.
TEST_F(MainMenu, ClosingTheWindowCancelsItsWork)
{
    for (const bool cancellable : {true, false}) {
        SCOPED_TRACE(cancellable ? "cancellable" : "not cancellable");
        QWidget window;
        window.show();
        std::atomic<bool> toldToStop = false;
        DialogScript script({{QStringLiteral("Progress"), [&window](QWidget*) { window.close(); }}});
        const mainmenu::Ended ended =
            mainmenu::runInBackground(&window, QStringLiteral("Práce"), QStringLiteral("Pracuje se…"), cancellable,
                                      [&](mainmenu::Progress& progress) {
                                          while (!progress.cancelled())
                                              QThread::msleep(5);
                                          toldToStop = true;
                                      });
        EXPECT_EQ(script.taken(), 1u);
        EXPECT_TRUE(toldToStop.load());
        EXPECT_EQ(ended, mainmenu::Ended::WindowClosed);
    }
}
