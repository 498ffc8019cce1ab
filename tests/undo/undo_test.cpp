// Zpět and Znovu over the record sources: every change taken back and done again leaves the
// register (and the trash) exactly as it was at that point; a step whose rows another program
// changed is refused, changes nothing and leaves the history.
#include "binding/record_source.h"
#include "core/field_value.h"
#include "qt_printers.h"
#include "storage/database.h"
#include "temp_register.h"
#include "undo/steps.h"
#include "undo/undo_history.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Every row of the register's tables and of the trash, each value with its type; the trash
// without the deletion's number and hour, which a deletion done again gives anew.
QStringList stored(TempRegister& reg)
{
    QStringList all;
    for (const char* table : {"cd", "lide", "pujcovani", "kos_cd", "kos_lide", "kos_pujcovani"}) {
        const QString name = QLatin1String(table);
        QStringList values;
        for (const QString& column : reg.rows(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(name)))
            if (column != QLatin1String("idkose"))
                values << QStringLiteral("typeof(%1) || quote(%1)").arg(column);
        for (const QString& row :
             reg.rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY 1").arg(values.join(QStringLiteral(", ")), name)))
            all << name + QLatin1Char(':') + row;
    }
    return all + reg.rows(QStringLiteral("SELECT druh, klic, nazev FROM kos ORDER BY druh, klic"));
}

struct Registers
{
    TempRegister reg;
    UndoHistory history{reg.db()};
    qint64 kytice, babicka, jan, eva, janKytice;
    Registers()
    {
        kytice = reg.addCd(QStringLiteral("Kytice"));
        babicka = reg.addCd(QStringLiteral("Babička & spol."));
        jan = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
        eva = reg.addPerson(QStringLiteral("Eva"), QStringLiteral("Malá"));
        janKytice = reg.addLoan(kytice, jan, QStringLiteral("na chatu"));
        reg.addLoan(babicka, eva);
        reg.addLoan(kytice, eva, QStringLiteral("vráceno"));
    }

    // A record source of the history over the one record of the list with the key (none: for adding).
    std::unique_ptr<RecordSource> source(const QString& list, const QString& key = QString(), qint64 id = 0)
    {
        auto made = std::make_unique<RecordSource>(reg, list);
        made->setHistory(&history);
        made->setRecordSource(key.isEmpty() ? queries::none(list) : queries::idEquals(list, key, id));
        EXPECT_TRUE(made->refresh().ok());
        return made;
    }

    void add(const QString& list, const QList<QPair<QString, QString>>& fields)
    {
        auto made = source(list);
        made->addNew();
        for (const auto& [field, text] : fields)
            made->setFieldText(field, text);
        ASSERT_TRUE(made->updateNew().ok());
    }

    void edit(const QString& list, const QString& key, qint64 id, const QList<QPair<QString, QString>>& fields)
    {
        auto made = source(list, key, id);
        for (const auto& [field, text] : fields)
            made->setFieldText(field, text);
        ASSERT_TRUE(made->update().ok());
    }

    void remove(const QString& list, const QString& key, qint64 id)
    {
        ASSERT_TRUE(source(list, key, id)->deleteCurrent().ok());
    }

    // Another program's connection to the register.
    void elsewhere(const QString& sql)
    {
        Status status = Status::success();
        auto other = Database::connect(QFile::encodeName(reg.path()), status);
        ASSERT_TRUE(status.ok()) << status.message().toStdString();
        ASSERT_TRUE(other->exec(sql).ok()) << sql.toStdString();
    }

    // Rows added by another connection (as the import adds them), kept as one step.
    void imported(const QStringList& names)
    {
        const qint64 first =
            reg.value(QStringLiteral("SELECT seq + 1 FROM sqlite_sequence WHERE name = 'cd'")).toLongLong();
        QStringList values;
        for (const QString& name : names)
            values << QStringLiteral("('%1', 'Film')").arg(name);
        elsewhere(QStringLiteral("INSERT INTO cd (nazev, typobsahu) VALUES %1").arg(values.join(QStringLiteral(", "))));
        const qint64 step = history.nextStep();
        ASSERT_TRUE(steps::capture(reg.db(), step, steps::State::After, QStringLiteral("cd"), QStringLiteral("idcd"),
                                   first, first + names.size() - 1)
                        .ok());
        history.add(step, QStringLiteral("import disků (%1)").arg(names.size()));
    }
};

} // namespace

TEST(Undo, EveryChangeTakenBackAndDoneAgainLeavesTheRegisterAsItWasThen)
{
    Registers r;
    const QString today = fieldvalue::formatDate(QDate::currentDate());
    struct Action
    {
        QString name;
        std::function<void()> run;
    };
    const qint64 newLoan = r.janKytice + 3; // the ids the register gives next (loans from 301 on)
    const std::vector<Action> actions{
        {"přidání disku Nový disk",
         [&] {
             r.add("cd", {{"nazev", "Nový disk"}, {"pocetdisku", "2"}, {"original", "1"}});
         }},
        {"přidání člověka Karel Čapek",
         [&] {
             r.add("lide", {{"jmeno", "Karel"}, {"prijmeni", "Čapek"}});
         }},
        {"úprava disku Babička & spol.",
         [&] {
             r.edit("cd", "idcd", r.babicka, {{"nazev", "Babička – 2. vydání"}, {"popis", QString()}});
         }},
        {"úprava člověka Eva Malá",
         [&] {
             r.edit("lide", "idcloveka", r.eva, {{"telefon", "+420 724 555 101"}});
         }},
        {"půjčení disku Kytice",
         [&] {
             r.add(
                 "pujcovani",
                 {{"datumpujceni", today}, {"idcd", QString::number(r.kytice)}, {"idcloveka", QString::number(r.eva)}});
         }},
        {"vrácení disku Kytice",
         [&] {
             r.edit("nevracenecd", "idvypujcky", newLoan, {{"vraceno", "1"}, {"datumvraceni", today}});
         }},
        {"smazání disku Kytice", [&] { r.remove("cd", "idcd", r.kytice); }},
        {"smazání člověka Eva Malá", [&] { r.remove("lide", "idcloveka", r.eva); }},
        {"import disků (3)",
         [&] {
             r.imported({"Dovoz 1", "Dovoz 2", "Dovoz 3"});
         }},
    };
    std::vector<QStringList> states{stored(r.reg)};
    for (const Action& action : actions) {
        action.run();
        states.push_back(stored(r.reg));
        ASSERT_NE(states.back(), states[states.size() - 2]) << action.name.toStdString();
        EXPECT_EQ(r.history.undoText(), action.name);
    }
    EXPECT_EQ(r.reg.value("SELECT count(*) FROM kos"), "2");

    // Back to the start and forward to the end, twice: a deletion done again is in the trash
    // again, and taken back leaves it.
    for (int round = 0; round < 2; ++round) {
        QString refusal;
        for (size_t i = actions.size(); i > 0; --i) {
            EXPECT_EQ(r.history.undoText(), actions[i - 1].name);
            ASSERT_TRUE(r.history.undo(refusal).ok());
            ASSERT_EQ(refusal, QString()) << actions[i - 1].name.toStdString();
            EXPECT_EQ(stored(r.reg), states[i - 1]) << "taking back " << actions[i - 1].name.toStdString();
            EXPECT_EQ(r.history.redoText(), actions[i - 1].name);
        }
        EXPECT_FALSE(r.history.canUndo());
        for (size_t i = 1; i <= actions.size(); ++i) {
            ASSERT_TRUE(r.history.redo(refusal).ok());
            ASSERT_EQ(refusal, QString()) << actions[i - 1].name.toStdString();
            EXPECT_EQ(stored(r.reg), states[i]) << "doing again " << actions[i - 1].name.toStdString();
        }
        EXPECT_FALSE(r.history.canRedo());
    }
}

TEST(Undo, AStepWhoseRowsChangedSinceIsRefusedChangesNothingAndLeavesTheHistory)
{
    struct Case
    {
        const char* what;
        std::function<void(Registers&)> change;
        std::function<QString(Registers&)> meanwhile; // another program's SQL
        bool redo;                                    // the step taken back first, then done again
        const char* refusal;
    };
    const std::vector<Case> cases{
        {"a disc edited by another program",
         [](Registers& r) {
             r.edit("cd", "idcd", r.kytice, {{"nazev", "Kytice 2"}});
         },
         [](Registers& r) { return QStringLiteral("UPDATE cd SET popis = 'jinde' WHERE idcd = %1").arg(r.kytice); },
         false, "„úprava disku Kytice“ nelze vzít zpět: záznam se od té doby změnil"},
        {"a disc added and lent meanwhile",
         [](Registers& r) {
             r.add("cd", {{"nazev", "Nový"}});
         },
         [](Registers& r) {
             return QStringLiteral("INSERT INTO pujcovani (idcd, idcloveka, datumpujceni) SELECT max(idcd), %1, "
                                   "'2026-12-01' FROM cd")
                 .arg(r.jan);
         },
         false, "„přidání disku Nový“ nelze vzít zpět: disk nebo člověk má od té doby další výpůjčky."},
        {"a person deleted whose loan's disc is gone since", [](Registers& r) { r.remove("lide", "idcloveka", r.jan); },
         [](Registers& r) { return QStringLiteral("DELETE FROM cd WHERE idcd = %1").arg(r.kytice); }, false,
         "„smazání člověka Jan Novák“ nelze vzít zpět: disk nebo člověk jeho výpůjčky už v evidenci není."},
        {"a deleted disc's id taken by another", [](Registers& r) { r.remove("cd", "idcd", r.babicka); },
         [](Registers& r) { return QStringLiteral("INSERT INTO cd (idcd, nazev) VALUES (%1, 'Jiný')").arg(r.babicka); },
         false, "„smazání disku Babička & spol.“ nelze vzít zpět: záznam se od té doby změnil"},
        {"a person taken back, then edited elsewhere",
         [](Registers& r) {
             r.edit("lide", "idcloveka", r.eva, {{"prijmeni", "Veselá"}});
         },
         [](Registers& r) {
             return QStringLiteral("UPDATE lide SET email = 'eva@example.cz' WHERE idcloveka = %1").arg(r.eva);
         },
         true, "„úprava člověka Eva Malá“ nelze provést znovu: záznam se od té doby změnil"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Registers r;
        r.add("cd", {{"nazev", "Dřívější"}}); // an earlier step, which stays
        c.change(r);
        QString refusal;
        if (c.redo) {
            ASSERT_TRUE(r.history.undo(refusal).ok() && refusal.isEmpty());
        }
        r.elsewhere(c.meanwhile(r));
        const QStringList before = stored(r.reg);
        EXPECT_TRUE((c.redo ? r.history.redo(refusal) : r.history.undo(refusal)).ok());
        EXPECT_TRUE(refusal.startsWith(QString::fromUtf8(c.refusal))) << refusal.toStdString();
        EXPECT_TRUE(refusal.endsWith("\nKrok byl z historie úprav odebrán.")) << refusal.toStdString();
        EXPECT_EQ(stored(r.reg), before);
        EXPECT_FALSE(r.history.canRedo());
        EXPECT_EQ(r.history.undoText(), "přidání disku Dřívější");
    }
}

// A failure of the register itself (another program holds it locked past the wait) is told
// and keeps the step where it was: the next try takes it back.
TEST(Undo, AFailureOfTheRegisterKeepsTheStepForTheNextTry)
{
    Registers r;
    r.remove("cd", "idcd", r.kytice);
    const QStringList deleted = stored(r.reg);
    Status status = Status::success();
    auto other = Database::connect(QFile::encodeName(r.reg.path()), status);
    ASSERT_TRUE(other->exec(QStringLiteral("BEGIN EXCLUSIVE")).ok());
    QString refusal;
    EXPECT_FALSE(r.history.undo(refusal).ok());
    EXPECT_EQ(refusal, QString());
    EXPECT_TRUE(r.history.canUndo());
    EXPECT_EQ(r.history.undoText(), "smazání disku Kytice");
    ASSERT_TRUE(other->exec(QStringLiteral("ROLLBACK")).ok());
    EXPECT_EQ(stored(r.reg), deleted);
    ASSERT_TRUE(r.history.undo(refusal).ok());
    EXPECT_EQ(r.reg.value("SELECT nazev FROM cd WHERE idcd = 101"), "Kytice");
}
