#pragma once

#include "core/field_value.h"
#include "core/source_query.h"
#include "core/status.h"
#include "core/text_match.h"
#include "rows/row_set.h"
#include "rows/text_dictionary.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class Database;
class HeldRows;

// The one door through which record sources read rows. The rows of the tables the
// lists search ("cd", "lide") are kept between queries as last read from the file, so
// that a search keystroke, a filter or "show all" reads memory instead of the whole
// table (docs/performance.md: 7 to 23 times quicker). The loan queries, over every
// loan ever made, are read a page at a time (paged_rows.h); every other query (and
// every query, when switched off) goes to SQLite. SQLite's pre-update hook names
// every row this connection inserts, changes or deletes; those rows are read again
// before the table is next used. A change committed by another connection (seen
// through PRAGMA data_version) drops everything.
class KeptRows
{
public:
    // One column of every row, each distinct text held once: the value of row r is
    // (*texts)[ids[r]], as Statement::columnText gives it (a null string for NULL).
    // A search tests each distinct text once, however many rows share it.
    struct Column
    {
        SharedTexts texts = std::make_shared<std::vector<QString>>();
        std::vector<quint32> ids; // per row
        bool isRead = false;      // read when first asked for (docs/performance.md: start-up a third quicker)

        // For each text, whether it contains the part ignoring case (NULL contains nothing).
        std::vector<char> containing(QStringView part) const
        {
            folded.update(*texts);
            return folded.containing(*texts, part);
        }

    private:
        mutable textmatch::FoldedTexts folded; // the texts folded at their first search
    };

    struct Table
    {
        std::vector<qint64> keys; // ascending, the order of a plain scan of the table
        std::vector<Column> columns;

        bool hasColumns(const std::vector<int>& wanted) const;
    };

    explicit KeptRows(Database& db);
    ~KeptRows();
    KeptRows(const KeptRows&) = delete;
    KeptRows& operator=(const KeptRows&) = delete;

    // The rows of the query with the held columns (the key always; empty: every column),
    // exactly the rows and order SQLite gives, from the kept rows when they can serve.
    Status select(const SourceQuery& query, const QList<int>& held, RowSet& rows);
    // Serves the searched tables from the kept rows (the default), or sends their queries to
    // SQLite (docs/performance.md, "Kept rows"); kept rows stay kept, and follow changes, while off.
    void setKept(bool kept) { m_kept = kept; }
    // Reads the loan queries a page at a time (the default), or whole (docs/performance.md,
    // "The loan lists read a page at a time").
    void setPaged(bool paged) { m_paged = paged; }

    // Learns from keys of a loan query whose rows a page did not find whether loans have
    // lost their disc or person (a register edited without its foreign keys): then the loan
    // lists count and read their keys through the saved queries themselves.
    Status noteGoneKeys(const SourceQuery& query, const std::vector<qint64>& keys);

    // Whether the table's rows are kept here.
    static bool isKept(const QString& table);
    // Reads every row of a kept table, with the held columns (by index) and the columns its
    // searches test, on any connection (the start reads them on a thread of its own).
    static Status read(Database& db, const QString& table, const std::vector<int>& held, Table& into);

    // Taking over rows read on another connection: the moment they may be read from, taken
    // before that reading begins.
    struct Handover
    {
        qint64 dataVersion = -1;
        quint64 ownChanges = 0;
    };
    Status handover(Handover& at);
    // Whether rows of the table were read on this connection already (as current as the
    // next use finds them).
    bool holds(const QString& table) const { return m_tables.count(table) > 0; }
    // Keeps the rows read since the handover as the table's, unless this connection changed
    // a kept row since or the table is kept already; a change committed by another connection
    // since the handover is found at the next use, as any other. Returns whether they were kept.
    bool adopt(const Handover& at, const QString& table, std::unique_ptr<Table> rows);

    // Until the table's rows are kept, a query of all its rows is answered with these: the
    // lists' first rows as the last run left them, to be shown while the rest is read.
    void setPreview(const QString& table, std::shared_ptr<Rows> rows);
    // The table's current rows with at least the given columns read. Null when they
    // cannot be served from memory (inside a transaction, or a table not kept here)
    // or cannot be read (then status says why).
    const Table* rows(const QString& table, const std::vector<int>& columns, Status& status);

private:
    bool m_orphanedLoans = false; // see noteGoneKeys()
    // Rows changed in one table since it was read; beyond this many it is read anew.
    static constexpr size_t maxChangedRows = 5000;

    static void rowChanged(void* self, const char* table, qint64 before, qint64 after);
    static Status load(Database& db, const QString& table, const std::vector<int>& columns, Table& into);
    Status readChangedRows(const QString& table, const std::set<qint64>& changed, Table& into);
    Status dataVersion(qint64& version);
    bool selectKept(const SourceQuery& query, const QStringList& names, HeldRows& rows, Status& status);

    Database& m_db;
    bool m_kept = true;
    bool m_paged = true;
    qint64 m_dataVersion = -1;
    std::map<QString, std::unique_ptr<Table>> m_tables;
    std::map<std::string, std::set<qint64>> m_changed; // table -> keys of rows changed since read
    std::set<std::string> m_overflowed;                // tables with too many changed rows to follow
    std::set<std::string, std::less<>> m_keptTables;   // the tables kept here, for the hook's quick test
    quint64 m_ownChanges = 0;                          // rows of kept tables this connection changed
    std::map<QString, std::shared_ptr<Rows>> m_previews;
};
