#include "bench/undo_bench.h"

#include "bench/bench_session.h"
#include "bench/floor_queries.h"
#include "main_window/form1.h"
#include "rows/register.h"
#include "storage/database.h"
#include "storage/register_file.h"
#include "undo/steps.h"
#include "undo/undo_history.h"

#include <QAction>

namespace undobench {

using benchsession::Answerer;
using benchsession::Session;
using floorqueries::exec;
using floorqueries::listFloor;
using floorqueries::step;

// Úpravy ▸ Zpět after a disc with loans was deleted: the disc and its loans back, out of the
// trash, both lists shown whole again.
void undoDelete(benchmark::State& state)
{
    Session s;
    Answerer answerer;
    auto* undo = s.form->findChild<QAction*>(QStringLiteral("Zpet"));
    for (auto _ : state) {
        state.PauseTiming();
        floorqueries::Rows lent =
            step(s.reg->db(), "SELECT nazev FROM cd WHERE idcd = (SELECT idcd FROM pujcovani LIMIT 1)");
        s.pickCd(QString::fromStdString(lent.values.at(0).at(0)));
        s.click("Command4");
        state.ResumeTiming();
        undo->trigger();
    }
}

// Its floor: the disc and its loans put back from the trash's tables, the CD list read.
void undoDeleteFloor(benchmark::State& state)
{
    Session s(false);
    for (auto _ : state) {
        state.PauseTiming();
        exec(s.reg->db(), "INSERT INTO kos (smazano, druh, klic) SELECT '2026-12-09T10:00:00', 'cd', idcd FROM "
                          "pujcovani LIMIT 1");
        exec(s.reg->db(), "INSERT INTO kos_cd SELECT (SELECT max(idkose) FROM kos), * FROM cd WHERE idcd = (SELECT "
                          "klic FROM kos ORDER BY idkose DESC LIMIT 1)");
        exec(s.reg->db(), "INSERT INTO kos_pujcovani SELECT (SELECT max(idkose) FROM kos), * FROM pujcovani WHERE "
                          "idcd = (SELECT klic FROM kos ORDER BY idkose DESC LIMIT 1)");
        exec(s.reg->db(), "DELETE FROM cd WHERE idcd = (SELECT klic FROM kos ORDER BY idkose DESC LIMIT 1)");
        state.ResumeTiming();
        exec(s.reg->db(), "BEGIN; INSERT INTO cd SELECT idcd, nazev, pocetdisku, typdisku, typobsahu, popis, original, "
                          "vyrazeno FROM kos_cd WHERE idkose = (SELECT max(idkose) FROM kos); INSERT INTO pujcovani "
                          "SELECT idvypujcky, datumpujceni, idcd, idcloveka, poznamka, iduzivatele, vraceno, "
                          "datumvraceni FROM kos_pujcovani WHERE idkose = (SELECT max(idkose) FROM kos); DELETE FROM "
                          "kos WHERE idkose = (SELECT max(idkose) FROM kos); COMMIT");
        listFloor(s.reg->db(), "SELECT * FROM cd");
    }
}

// An import as large as the register's discs (at S 100,000 rows, added on a connection of
// its own as the menu's import does), kept as one step, then taken back with Zpět.
void undoImport(benchmark::State& state, bool floor)
{
    Session s(false);
    Database& db = s.reg->db();
    UndoHistory history(db);
    for (auto _ : state) {
        state.PauseTiming();
        qint64 first = 0, last = 0;
        (void)db.queryInt(QStringLiteral("SELECT max(idcd) + 1 FROM cd"), first);
        {
            Status status = Status::success();
            std::unique_ptr<Database> own = openRegisterFile(db.filePath(), status);
            exec(*own, "INSERT INTO cd (nazev, pocetdisku, typdisku, typobsahu, popis, original, vyrazeno) SELECT "
                       "nazev, pocetdisku, typdisku, typobsahu, popis, original, vyrazeno FROM cd");
        }
        (void)db.queryInt(QStringLiteral("SELECT max(idcd) FROM cd"), last);
        const qint64 id = history.nextStep();
        if (!floor) {
            Transaction transaction(db);
            if (!steps::capture(db, id, steps::State::After, QStringLiteral("cd"), QStringLiteral("idcd"), first, last)
                     .ok() ||
                !transaction.commit().ok())
                qFatal("the import's step was not kept");
            history.add(id, QStringLiteral("import"));
        }
        state.ResumeTiming();
        if (floor) {
            (void)db.execute(QStringLiteral("DELETE FROM cd WHERE idcd BETWEEN ? AND ?"), {first, last});
        } else {
            QString refusal;
            if (!history.undo(refusal).ok() || !refusal.isEmpty())
                qFatal("the import was not taken back: %s", qPrintable(refusal));
        }
    }
}

} // namespace undobench
