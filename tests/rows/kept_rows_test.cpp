// The rows kept in memory between queries: a list served from them must hold
// exactly what the query on the file gives, whatever changed the file meanwhile.
#include "binding/grid_model.h"
#include "binding/record_source.h"
#include "qt_printers.h"
#include "rows/kept_rows.h"
#include "rows/text_dictionary.h"
#include "temp_register.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

// What a source holds: "key|name" of every row, in its order (NULL as TempRegister::rows gives it).
QStringList shown(RecordSource& source)
{
    const Status s = source.refresh();
    EXPECT_TRUE(s.ok()) << s.message().toStdString();
    QStringList rows;
    for (int row = 0; row < source.recordCount(); ++row)
        rows << source.cell(row, 0) + QLatin1Char('|') +
                    (source.cell(row, 1).isNull() ? QStringLiteral("NULL") : source.cell(row, 1));
    return rows;
}

// The same list with the kept rows switched off: every row read from the file by the query.
QStringList queried(TempRegister& reg, const SourceQuery& query)
{
    static_cast<Register&>(reg).rows().setKept(false);
    RecordSource plain(reg, query.table);
    plain.setRecordSource(query);
    plain.setHeldColumns({1});
    const QStringList rows = shown(plain);
    static_cast<Register&>(reg).rows().setKept(true);
    return rows;
}

const QStringList names = {QStringLiteral("Čechomor"), QStringLiteral("čechomor live"), QStringLiteral("ŽIVĚ"),
                           QStringLiteral("Ábel"),     QStringLiteral("abeceda"),       QStringLiteral("")};

} // namespace

// Random inserts, edits and deletes made through record sources, by plain SQL on the
// same connection, in rolled-back transactions and by another connection: after each,
// every list served from the kept rows equals the same list read with them switched off.
TEST(KeptRows, ListsNeverShowAStaleRowWhateverChangedTheFile)
{
    TempRegister reg;
    for (int i = 0; i < 20; ++i)
        reg.addCd(names[i % names.size()]);
    Status status = Status::success();
    auto other = Register::open(reg.path(), status);
    ASSERT_TRUE(other) << status.message().toStdString();

    reg.exec(QStringLiteral("INSERT INTO lide (jmeno, prijmeni) VALUES ('Jan', 'Novák'), ('Nováková', 'Eva'), "
                            "(NULL, 'Novotný'), ('Petr', NULL)"));
    RecordSource all(reg, QStringLiteral("cd"));
    RecordSource search(reg, QStringLiteral("cd"));
    RecordSource people(reg, QStringLiteral("lide"));
    all.setHeldColumns({1});
    search.setHeldColumns({1});
    const QStringList parts = {QStringLiteral("čech"), QStringLiteral("ž"), QStringLiteral("AB"), QString(),
                               QStringLiteral("x")};
    QRandomGenerator random(7);
    auto name = [&] { return names[random.bounded(static_cast<int>(names.size()))]; };
    auto someKey = [&] {
        return reg.value(QStringLiteral("SELECT idcd FROM cd ORDER BY random() LIMIT 1")).toLongLong();
    };
    for (int step = 0; step < 300; ++step) {
        const int action = random.bounded(8);
        switch (action) {
        case 0: // insert through a record source
            all.addNew();
            all.setFieldText(QStringLiteral("nazev"), name());
            ASSERT_TRUE(all.updateNew().ok());
            break;
        case 1: // edit through a record source
            if (all.recordCount() > 0) {
                for (int moves = random.bounded(all.recordCount()); moves > 0; --moves)
                    ASSERT_TRUE(all.moveNext().ok());
                all.setFieldText(QStringLiteral("nazev"), name());
                ASSERT_TRUE(all.refresh().ok());
            }
            break;
        case 2: // delete through a record source
            if (all.recordCount() > 0) {
                ASSERT_TRUE(all.deleteCurrent().ok());
            }
            break;
        case 3: // plain SQL on the same connection, NULL names too
            ASSERT_TRUE(reg.db()
                            .execute(QStringLiteral("UPDATE cd SET nazev = ? WHERE idcd = ?"),
                                     {random.bounded(3) == 0 ? QVariant() : QVariant(name()), someKey()})
                            .ok());
            break;
        case 4: { // work undone: nothing of it may stay
            Transaction undone(reg.db());
            ASSERT_TRUE(reg.db().execute(QStringLiteral("INSERT INTO cd (nazev) VALUES (?)"), {name()}).ok());
            ASSERT_TRUE(reg.db().execute(QStringLiteral("DELETE FROM cd WHERE idcd = ?"), {someKey()}).ok());
            EXPECT_EQ(shown(search), queried(reg, search.recordSource())) << "inside the transaction";
            break;
        }
        case 5: // another copy of the program stores something
            ASSERT_TRUE(other->db().execute(QStringLiteral("INSERT INTO cd (nazev) VALUES (?)"), {name()}).ok());
            ASSERT_TRUE(other->db().execute(QStringLiteral("DELETE FROM cd WHERE idcd = ?"), {someKey()}).ok());
            break;
        case 6: // a key rewritten, or moved onto another row's key, or more rows changed than are followed
            if (random.bounded(8) == 0) {
                reg.exec(
                    QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6000) "
                                   "INSERT INTO cd (nazev) SELECT 'disk ' || i FROM n; "
                                   "DELETE FROM cd WHERE nazev LIKE 'disk %'"));
                break;
            }
            ASSERT_TRUE(
                reg.db()
                    .execute(random.bounded(2)
                                 ? QStringLiteral("UPDATE cd SET idcd = (SELECT max(idcd) + 1 FROM cd) WHERE idcd = ?")
                                 : QStringLiteral(
                                       "UPDATE OR REPLACE cd SET idcd = (SELECT min(idcd) FROM cd) WHERE idcd = ?"),
                             {someKey()})
                    .ok());
            break;
        default: // a new search; people match by either name, a NULL name matches nothing
            search.setRecordSource(queries::cdNameContains(parts[random.bounded(static_cast<int>(parts.size()))]));
            people.setRecordSource(queries::peopleNameContains(parts[random.bounded(static_cast<int>(parts.size()))]));
            ASSERT_EQ(shown(people), queried(reg, people.recordSource())) << "step " << step;
            break;
        }
        ASSERT_EQ(shown(search), queried(reg, search.recordSource())) << "step " << step << ", action " << action;
        ASSERT_EQ(shown(all), queried(reg, queries::all(QStringLiteral("cd"))))
            << "step " << step << ", action " << action;
    }

    // One row changed and shown over and over: the texts its changes leave behind do not pile up.
    reg.exec(QStringLiteral("PRAGMA synchronous = OFF")); // thousands of small commits, no crash to survive
    for (int change = 0; change < 1200; ++change) {
        ASSERT_TRUE(reg.db()
                        .execute(QStringLiteral("UPDATE cd SET nazev = ? WHERE idcd = (SELECT min(idcd) FROM cd)"),
                                 {QString::number(change)})
                        .ok());
        ASSERT_TRUE(all.refresh().ok());
    }
    const KeptRows::Table* kept = static_cast<Register&>(reg).rows().rows(QStringLiteral("cd"), {1}, status);
    ASSERT_TRUE(kept);
    EXPECT_LE(kept->columns[1].texts->size(), 2 * kept->keys.size() + 1024);
}

// A column read into its distinct texts gives back every value as read, NULL, empty
// and long texts included, whether it repeats (shared) or not (given up on).
TEST(KeptRows, ColumnTextsComeBackAsReadWhetherTheyRepeatOrNot)
{
    TempRegister reg;
    Statement statement(
        reg.db().handle(),
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 70000) "
                       "SELECT 'jedinečný ' || i, CASE i % 5 WHEN 0 THEN NULL WHEN 1 THEN '' "
                       "WHEN 2 THEN 'Čechomor' ELSE printf('%.*c', i % 300, 'ž') END FROM n"));
    ASSERT_TRUE(statement.status().ok());
    TextDictionary dictionaries[2];
    for (int row = 0; statement.step() == Statement::Step::Row; ++row)
        for (int column = 0; column < 2; ++column) {
            const QString& text = dictionaries[column].texts()[dictionaries[column].add(statement, column)];
            ASSERT_EQ(text, statement.columnText(column)) << row;
            ASSERT_EQ(text.isNull(), statement.columnText(column).isNull()) << row;
        }
    EXPECT_LT(dictionaries[1].texts().size(), 300u); // the repeated texts are held once each
}

namespace {

// What the grid over the source shows, row by row, read from the last row up when asked
// (so that pages are read out of order and dropped), given back from the first row down.
QStringList gridRows(RecordSource& source, bool fromTheEnd)
{
    GridModel grid(source);
    QStringList rows;
    for (int i = 0; i < grid.rowCount(); ++i) {
        const int row = fromTheEnd ? grid.rowCount() - 1 - i : i;
        QStringList cells;
        for (int column = 0; column < grid.columnCount(); ++column)
            cells << grid.data(grid.index(row, column)).toString();
        rows << cells.join(QLatin1Char('|'));
    }
    if (fromTheEnd)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

} // namespace

// The loan lists, read a page at a time, show exactly the saved queries' rows in their
// order, as the whole query read at once does, also re-queried while open after a
// return, a new loan and a deletion; never an empty row, also when loans are deleted
// while the lists are open or have lost their disc in an edit without foreign keys.
TEST(KeptRows, LoanListsReadByPagesShowTheSavedQueriesRows)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr); // a list finding rows gone is read anew from the event loop
    TempRegister reg;
    for (int i = 0; i < 40; ++i)
        reg.addCd(names[i % names.size()]);
    for (int i = 0; i < 5; ++i)
        reg.addPerson(names[i], names[i + 1]);
    // More loans than the keys read at first and the pages kept, every third one returned.
    reg.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6000) "
        "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, poznamka, vraceno, datumvraceni) "
        "SELECT date('2026-01-01', '+' || (i % 300) || ' days'), 101 + i % 40, 201 + i % 5, 'poznámka ' || i, "
        "i % 3 = 0, CASE WHEN i % 3 = 0 THEN '2026-12-01' END FROM n"));
    const SourceQuery lists[] = {queries::all(QStringLiteral("vypujcky")),
                                 queries::idEquals(QStringLiteral("vypujcky"), QStringLiteral("idcd"), 107),
                                 queries::idEquals(QStringLiteral("vypujcky"), QStringLiteral("idcloveka"), 202),
                                 queries::all(QStringLiteral("nevracenecd"))};
    std::vector<std::unique_ptr<RecordSource>> open;
    for (const SourceQuery& query : lists) {
        open.push_back(std::make_unique<RecordSource>(reg, query.table));
        open.back()->setRecordSource(query);
    }
    RecordSource& unreturned = *open.back();
    auto whole = [&reg](const SourceQuery& query) {
        static_cast<Register&>(reg).rows().setPaged(false);
        RecordSource plain(reg, query.table);
        plain.setRecordSource(query);
        EXPECT_TRUE(plain.refresh().ok());
        const QStringList rows = gridRows(plain, false);
        static_cast<Register&>(reg).rows().setPaged(true);
        return rows;
    };
    QStringList before[std::size(lists)];
    for (int round = 0; round < 6; ++round) {
        if (round == 1) { // a loan returned through the open list, as the return window does
            for (int move = 0; move < 300; ++move)
                ASSERT_TRUE(unreturned.moveNext().ok());
            unreturned.setFieldText(QStringLiteral("vraceno"), QStringLiteral("1"));
            unreturned.setFieldText(QStringLiteral("datumvraceni"), QStringLiteral("7.12.2026"));
            ASSERT_TRUE(unreturned.update().ok());
        } else if (round == 2) {
            reg.addLoan(107, 202, QStringLiteral("nová"));
        } else if (round == 3 || round == 4) { // a disc deleted with its loans; in round 4 while the lists are open
            RecordSource disc(reg, QStringLiteral("cd"));
            disc.setRecordSource(
                queries::idEquals(QStringLiteral("cd"), QStringLiteral("idcd"), round == 3 ? 108 : 109));
            ASSERT_TRUE(disc.refresh().ok());
            ASSERT_TRUE(disc.deleteCurrent().ok());
        } else if (round == 5) { // loans whose disc is gone, as SQLite's tool leaves them by default
            reg.exec(QStringLiteral("PRAGMA foreign_keys = OFF; DELETE FROM cd WHERE idcd = 110; "
                                    "PRAGMA foreign_keys = ON"));
        }
        for (size_t i = 0; i < open.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", list " << i);
            const bool fromTheEnd = (round + i) % 2 == 1;
            if (round != 4) {
                ASSERT_TRUE(open[i]->refresh().ok());
            }
            const QStringList expected = whole(lists[i]);
            EXPECT_GT(expected.size(), 2);
            QStringList rows = gridRows(*open[i], fromTheEnd);
            if (round >= 4) { // a page that found rows gone has the list read anew
                QCoreApplication::processEvents();
                rows = gridRows(*open[i], fromTheEnd);
                EXPECT_FALSE(rows.contains(QString(open[i]->columnCount() - 1, QLatin1Char('|')))) << "an empty row";
            }
            // Pages read before the deletion and still kept show their rows till the next query.
            if (round != 4 || rows != before[i]) {
                EXPECT_EQ(open[i]->recordCount(), expected.size());
                EXPECT_EQ(rows, expected);
            }
            before[i] = rows;
        }
    }
}
