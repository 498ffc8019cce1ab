// What the user does, timed on a generated register, each action beside its
// floor: the same rows produced by the SQLite C API alone (the same query
// stepped into plain values, plus the same sort). Run through bench/run.sh.
//   ORDISK_BENCH_DB=<generated db1.zaz> ordisk_bench [--benchmark_* options]
#include "app/daily_backup.h"
#include "bench/bench_session.h"
#include "bench/floor_queries.h"
#include "bench/undo_bench.h"
#include "core/text_match.h"
#include "gui_input.h"
#include "main_window/form1.h"
#include "rows/register.h"
#include "storage/register_file.h"
#include "transfer/sheet_export.h"
#include "transfer/sheet_import.h"

#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using floorqueries::exec;
using floorqueries::listFloor;
using floorqueries::sortBy;
using floorqueries::step;

using benchsession::Answerer;
using benchsession::Session;
using benchsession::sourceFile;
using benchsession::workDir;

// ---- the benchmarks ----

// The window made and shown with every row of both lists in it.
void startUp(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        s.openWindow();
        s.waitForEveryRow();
        state.PauseTiming();
        s.reopen();
        state.ResumeTiming();
    }
}

// The window made and shown with its first screenful (the lists' first rows as the last run
// left them); the rest is read meanwhile, and waited for untimed.
void startUpFirstScreen(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        s.openWindow();
        state.PauseTiming();
        s.reopen();
        state.ResumeTiming();
    }
}

void startUpFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        listFloor(s.reg->db(), "SELECT * FROM cd");
        listFloor(s.reg->db(), "SELECT * FROM lide");
    }
}

void search(benchmark::State& state, const QString& text)
{
    Session s;
    auto* box = s.child<QLineEdit>("TxtHledejCd");
    for (auto _ : state) {
        box->setText(text);
        state.PauseTiming();
        box->setText(QStringLiteral("§"));
        state.ResumeTiming();
    }
}

void searchFloor(benchmark::State& state, const QString& text)
{
    Session s(false);
    for (auto _ : state) {
        listFloor(s.reg->db(), "SELECT * FROM cd WHERE ordisk_contains(nazev, ?)", {text.toStdString()});
    }
}

QString sharedName(Database& db)
{
    floorqueries::Rows rows =
        step(db, "SELECT nazev FROM cd GROUP BY nazev HAVING count(*) >= 3 ORDER BY nazev LIMIT 1");
    return QString::fromStdString(rows.values.at(0).at(0));
}

void pickSharedName(benchmark::State& state)
{
    Session s;
    const QString name = sharedName(s.reg->db());
    for (auto _ : state) {
        state.PauseTiming();
        const int row = s.rowOf("MSFlexGrid1", 1, name);
        state.ResumeTiming();
        s.clickCell("MSFlexGrid1", row, 1);
        state.PauseTiming();
        s.click("CmbZobrazVseCd");
        state.ResumeTiming();
    }
}

void pickSharedNameFloor(benchmark::State& state)
{
    Session s(false);
    const std::string name = sharedName(s.reg->db()).toStdString();
    for (auto _ : state)
        benchmark::DoNotOptimize(step(s.reg->db(), "SELECT * FROM cd WHERE nazev = ?", {name}));
}

void sortList(benchmark::State& state)
{
    Session s;
    bool descending = false;
    for (auto _ : state) {
        descending = !descending;
        s.click(descending ? "OptSestupneCd" : "OptVzestupneCd");
        s.click("CmbSetridCd");
    }
}

void sortFloor(benchmark::State& state)
{
    Session s(false);
    floorqueries::Rows rows = step(s.reg->db(), "SELECT * FROM cd");
    for (auto _ : state)
        sortBy(rows, 1);
}

void showAll(benchmark::State& state)
{
    Session s;
    for (auto _ : state)
        s.click("CmbZobrazVseCd");
}

void allCdsFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        listFloor(s.reg->db(), "SELECT * FROM cd");
    }
}

void filter(benchmark::State& state)
{
    Session s;
    auto* combo = s.child<QComboBox>("Combo3");
    combo->setCurrentIndex(combo->findText(QStringLiteral("Hry")));
    for (auto _ : state)
        s.click("Command14");
}

void filterFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        listFloor(s.reg->db(), "SELECT * FROM cd WHERE ordisk_contains(typobsahu, 'Hry')");
    }
}

void personSearchAndPick(benchmark::State& state)
{
    Session s;
    auto* box = s.child<QLineEdit>("TxtHledejLidi");
    for (auto _ : state) {
        box->setText(QStringLiteral("nov"));
        s.pickFirstPerson();
        state.PauseTiming();
        box->setText(QString());
        state.ResumeTiming();
    }
}

void personSearchAndPickFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        floorqueries::Rows rows =
            step(s.reg->db(), "SELECT * FROM lide WHERE ordisk_contains(jmeno, 'nov') OR ordisk_contains(prijmeni, "
                              "'nov')");
        sortBy(rows, 1);
        benchmark::DoNotOptimize(
            step(s.reg->db(), "SELECT * FROM lide WHERE idcloveka = ?", {rows.values.at(0).at(0)}));
    }
}

// The day's copy is made in the background while the window starts, or while the first
// loan is stored: neither may be slower for it.
std::unique_ptr<DailyBackup> startDailyBackup(Session& s)
{
    QDir(workDir->filePath(QStringLiteral("zalohy"))).removeRecursively();
    return std::make_unique<DailyBackup>(s.reg->db(), workDir->filePath(QStringLiteral("db1.zaz")), s.form.get());
}

// A loan; with the day's copy being made meanwhile when asked.
void lend(benchmark::State& state, bool withCopy)
{
    Session s;
    Answerer answerer;
    const QString name = sharedName(s.reg->db());
    for (auto _ : state) {
        state.PauseTiming();
        s.pickCd(name);
        s.pickFirstPerson();
        auto backup = withCopy ? startDailyBackup(s) : nullptr;
        state.ResumeTiming();
        s.click("CmbPujcit"); // note: yes, typed; confirmed; stored; both lists re-queried
        state.PauseTiming();
        backup.reset();
        state.ResumeTiming();
    }
}

void lendFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        exec(s.reg->db(), "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, poznamka, iduzivatele) VALUES "
                          "('2026-12-06', 1, 1, 'půjčeno na chatu', 1)");
        listFloor(s.reg->db(), "SELECT * FROM cd");
        listFloor(s.reg->db(), "SELECT * FROM lide");
    }
}

// Shows the window's last rows: the grid scrolled to its end and painted.
void scrollToEnd(const QString& window)
{
    QWidget* shown = QApplication::activeWindow();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == window)
            shown = top;
    auto* grid = shown->findChild<QTableView*>(QStringLiteral("MSFlexGrid1"));
    grid->scrollToBottom();
    grid->viewport()->repaint();
}

// Opens the return window; scrolled, it then shows its last rows too.
void openReturns(benchmark::State& state, bool scrolled)
{
    Session s;
    for (auto _ : state) {
        s.click("Command1");
        QApplication::processEvents();
        if (scrolled)
            scrollToEnd(QStringLiteral("Form2"));
        state.PauseTiming();
        s.form->windows().closeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

void unreturnedFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(step(s.reg->db(), "SELECT * FROM nevracenecd"));
}

void returnLoan(benchmark::State& state)
{
    Session s;
    Answerer answerer;
    s.click("Command1");
    QWidget* returns = s.form->windows().find(QStringLiteral("Form2"));
    QApplication::setActiveWindow(returns);
    auto* grid = returns->findChild<QTableView*>(QStringLiteral("MSFlexGrid1"));
    for (auto _ : state) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid->visualRect(grid->model()->index(0, 2)).center());
        QTest::mouseClick(returns->findChild<QWidget*>(QStringLiteral("Command2")), Qt::LeftButton);
    }
}

void returnFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        exec(s.reg->db(), "UPDATE pujcovani SET vraceno = 1, datumvraceni = '2026-12-06' WHERE idvypujcky = (SELECT "
                          "idvypujcky FROM nevracenecd LIMIT 1)");
        benchmark::DoNotOptimize(step(s.reg->db(), "SELECT * FROM nevracenecd"));
    }
}

void history(benchmark::State& state, const char* button, bool scrolled = false)
{
    Session s;
    Answerer answerer; // a person who never borrowed is told so
    const QString name = sharedName(s.reg->db());
    for (auto _ : state) {
        state.PauseTiming();
        s.pickCd(name);
        s.pickFirstPerson();
        state.ResumeTiming();
        s.click(button);
        QApplication::processEvents();
        if (scrolled)
            scrollToEnd(QStringLiteral("Form5"));
        state.PauseTiming();
        s.form->windows().closeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        s.click("CmbZobrazVseCd");
        s.click("CmbZobrazVseLide");
        state.ResumeTiming();
    }
}

void historyFloor(benchmark::State& state, const char* sql)
{
    Session s(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(step(s.reg->db(), sql, {"1"}));
}

void everythingFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(step(s.reg->db(), "SELECT * FROM vypujcky"));
}

void addDisc(benchmark::State& state)
{
    Session s;
    Answerer answerer;
    s.click("Command3");
    QWidget* window = s.form->windows().find(QStringLiteral("Form3"));
    auto* name = window->findChild<QPlainTextEdit*>(QStringLiteral("Text9"));
    auto* count = window->findChild<QLineEdit*>(QStringLiteral("Text10"));
    window->findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(2);
    window->findChild<QComboBox*>(QStringLiteral("Combo2"))->setCurrentIndex(3);
    for (auto _ : state) {
        name->setPlainText(QStringLiteral("Nový disk"));
        count->setText(QStringLiteral("2"));
        QTest::mouseClick(window->findChild<QWidget*>(QStringLiteral("Command2")), Qt::LeftButton);
    }
}

void addDiscFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state)
        exec(s.reg->db(),
             "INSERT INTO cd (nazev, pocetdisku, typdisku, typobsahu, popis, original) VALUES ('Nový disk', 2, "
             "'DVD', 'Hudba', '', 0)");
}

void editDisc(benchmark::State& state)
{
    Session s;
    Answerer answerer;
    const QString name = sharedName(s.reg->db());
    for (auto _ : state) {
        state.PauseTiming();
        s.pickCd(name);
        s.click("Command10");
        state.ResumeTiming();
        s.click("Command11");
    }
}

void editDiscFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        exec(s.reg->db(), "UPDATE cd SET typdisku = typdisku WHERE idcd = 1");
        listFloor(s.reg->db(), "SELECT * FROM cd");
    }
}

void deleteDisc(benchmark::State& state)
{
    Session s;
    Answerer answerer;
    for (auto _ : state) {
        state.PauseTiming();
        floorqueries::Rows lent =
            step(s.reg->db(), "SELECT nazev FROM cd WHERE idcd = (SELECT idcd FROM pujcovani LIMIT 1)");
        s.pickCd(QString::fromStdString(lent.values.at(0).at(0)));
        state.ResumeTiming();
        s.click("Command4");
    }
}

void deleteDiscFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        exec(s.reg->db(), "DELETE FROM cd WHERE idcd = (SELECT idcd FROM pujcovani LIMIT 1)");
        listFloor(s.reg->db(), "SELECT * FROM cd");
    }
}

// As the program does it: the copy begins once both lists hold every row.
void startUpWithBackup(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        s.openWindow();
        s.waitForEveryRow();
        auto backup = startDailyBackup(s);
        QCoreApplication::processEvents();
        state.PauseTiming();
        backup.reset();
        s.reopen();
        state.ResumeTiming();
    }
}

// The work the import's summary waits for (Soubor ▸ Importovat disky…): the file read through
// as a dry run on a connection of its own, as the menu does it (the register checked whole,
// every row checked, the first kept for the preview). The file is the discs exported once.
void importSummary(benchmark::State& state, const QString& suffix, bool withRegister)
{
    Session s(false);
    const QString file = workDir->filePath(QStringLiteral("cd.") + suffix);
    if (!QFile::exists(file))
        if (Status made = sheetexport::write(s.reg->db(), QStringLiteral("cd"), file, sheetexport::formatOf(file));
            !made.ok())
            qFatal("%s", qPrintable(made.message()));
    const QString registerPath = s.reg->db().filePath();
    for (auto _ : state) {
        Status status = Status::success();
        std::unique_ptr<Database> own = withRegister ? openRegisterFile(registerPath, status) : nullptr;
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file));
        importrows::Options options;
        options.dryRun = true;
        options.preview = 5;
        const importrows::Outcome outcome = sheetimport::run(own.get(), QStringLiteral("cd"), in, options);
        if (outcome.refused > 0 && outcome.alreadyThere == 0)
            qFatal("%s", qPrintable(outcome.problems.front().message));
        benchmark::DoNotOptimize(outcome.rows);
    }
}

void registerAll()
{
    using Fn = std::function<void(benchmark::State&)>;
    const std::vector<std::pair<std::string, std::pair<Fn, Fn>>> actions = {
        {"start-up", {startUp, startUpFloor}},
        {"start-up, first screenful", {startUpFirstScreen, startUpFloor}},
        {"search 1 char",
         {[](auto& s) { search(s, QStringLiteral("k")); }, [](auto& s) { searchFloor(s, QStringLiteral("k")); }}},
        {"search 2 chars",
         {[](auto& s) { search(s, QStringLiteral("ko")); }, [](auto& s) { searchFloor(s, QStringLiteral("ko")); }}},
        {"search 3 chars",
         {[](auto& s) { search(s, QStringLiteral("kol")); }, [](auto& s) { searchFloor(s, QStringLiteral("kol")); }}},
        {"pick shared name", {pickSharedName, pickSharedNameFloor}},
        {"sort", {sortList, sortFloor}},
        {"show all", {showAll, allCdsFloor}},
        {"filter", {filter, filterFloor}},
        {"person search and pick", {personSearchAndPick, personSearchAndPickFloor}},
        {"lend", {[](auto& s) { lend(s, false); }, lendFloor}},
        {"start-up, day's copy made", {startUpWithBackup, startUpFloor}},
        {"lend, day's copy made", {[](auto& s) { lend(s, true); }, lendFloor}},
        {"open return window", {[](auto& s) { openReturns(s, false); }, unreturnedFloor}},
        {"return window to its end", {[](auto& s) { openReturns(s, true); }, unreturnedFloor}},
        {"return", {returnLoan, returnFloor}},
        {"history of a disc",
         {[](auto& s) { history(s, "Command7"); },
          [](auto& s) { historyFloor(s, "SELECT * FROM vypujcky WHERE idcd = ?"); }}},
        {"history of a person",
         {[](auto& s) { history(s, "Command8"); },
          [](auto& s) { historyFloor(s, "SELECT * FROM vypujcky WHERE idcloveka = ?"); }}},
        {"history of everything", {[](auto& s) { history(s, "Command6"); }, everythingFloor}},
        {"history to its end", {[](auto& s) { history(s, "Command6", true); }, everythingFloor}},
        {"add disc", {addDisc, addDiscFloor}},
        {"edit disc", {editDisc, editDiscFloor}},
        {"delete disc with loans", {deleteDisc, deleteDiscFloor}},
        {"take back a delete", {undobench::undoDelete, undobench::undoDeleteFloor}},
        {"take back an import of every disc",
         {[](auto& s) { undobench::undoImport(s, false); }, [](auto& s) { undobench::undoImport(s, true); }}},
        // Its floor: the same file's CSV read with no register to check or look in.
        {"import summary .xlsx",
         {[](auto& s) { importSummary(s, QStringLiteral("xlsx"), true); },
          [](auto& s) { importSummary(s, QStringLiteral("csv"), false); }}},
        {"import summary .ods",
         {[](auto& s) { importSummary(s, QStringLiteral("ods"), true); },
          [](auto& s) { importSummary(s, QStringLiteral("csv"), false); }}},
    };
    // Actions set their scene up untimed (picks, re-queries), which costs more than the action:
    // a fixed number of runs keeps the whole benchmark within minutes.
    const int runs =
        qEnvironmentVariableIntValue("ORDISK_BENCH_RUNS") > 0 ? qEnvironmentVariableIntValue("ORDISK_BENCH_RUNS") : 7;
    for (const auto& [name, fns] : actions) {
        benchmark::RegisterBenchmark(name.c_str(), fns.first)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(runs);
        benchmark::RegisterBenchmark((name + " [floor]").c_str(), fns.second)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sourceFile = qEnvironmentVariable("ORDISK_BENCH_DB");
    if (sourceFile.isEmpty() || !QFile::exists(sourceFile))
        qFatal("Set ORDISK_BENCH_DB to a register made by ordisk_generate.");
    workDir = std::make_unique<QTemporaryDir>();
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    workDir.reset();
    // The peak memory of the whole run, for the table.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                std::fprintf(stderr, "peak RSS: %s\n", line.mid(6).trimmed().constData());
    return 0;
}
