#pragma once

#include "core/new_records.h"
#include "core/status.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <vector>

class Database;
namespace tables {
struct Table;
}

// The rows of a list brought in from a spreadsheet (a CSV file or a sheet), added to the
// register as new discs or people, all or nothing. Whatever reads the file hands over its
// rows one at a time, the header first, each with the row number the spreadsheet shows.
// The header names the columns by any caption the program shows for the field ("Název",
// "E-mail:") or by the field's name ("nazev"), in any order and letter case. Each row
// passes the add window's checks, in its words, with the value found.
namespace importrows {

// How many refusals an outcome keeps; the others are counted.
constexpr size_t keptProblems = 20;

// A row refused, or a fault of the whole file (the header's, or its reading).
struct Problem
{
    qint64 row = 0; // the row as the spreadsheet numbers it, the header being 1 (0: the file as a whole)
    QString name;   // the row's disc name or person's name, where it has one
    QString message;
};

struct Outcome
{
    qint64 rows = 0;                   // rows added (or, on a dry run or when refused, rows that passed)
    std::vector<Problem> problems;     // the first refusals; when there is any, nothing was stored
    qint64 refused = 0;                // every refusal, those kept in problems too
    qint64 alreadyThere = 0;           // rows of the register already: by key and name, or by every value
    bool alreadyThereByKey = false;    // some of them by their key and name (an export brought back)
    QStringList ignoredColumns;        // columns of the file's own left out (Options::ignoreUnknownColumns)
    QStringList previewColumns;        // the labels of the columns a row is added with
    std::vector<QStringList> preview;  // the first rows that passed, as they will be stored (Options::preview)
    QString encoding;                  // a CSV file's encoding, where it was decided from the letters
    qint64 firstKey = 0;               // the keys the register gave the rows added (every key
    qint64 lastKey = 0;                // between is theirs: one transaction added them)
    Status status = Status::success(); // a failure of the register itself (nothing stored)
};

struct Options
{
    bool dryRun = false;                           // only checks (so does a null register)
    bool allowDuplicates = false;                  // rows already in the register are added again
    bool ignoreUnknownColumns = false;             // columns the register has no field for are left out
    std::function<void(qint64 rowsRead)> progress; // told every so many rows
    std::function<Status()> beforeWriting;         // a backup; its failure stores nothing
    std::function<bool()> cancelled;               // asked between rows: true stops, storing nothing
    int preview = 0;                               // how many of the first rows the outcome keeps
};

// The names an import takes: "cd", "lide".
const QStringList& names();

// What a cancelled import says (Status::cancelled): nothing was stored.
QString cancelledText();

// Keeps the first refusals and counts every one: a file of bad rows costs no memory.
void refuse(Outcome& outcome, qint64 row, const QString& message, const QString& name = QString());

// A value from the file as a message shows it: on one line, cut to a readable length.
QString shown(const QString& value);

class Rows
{
public:
    // Null when the table is not one an import adds to; then the outcome says so.
    static std::unique_ptr<Rows> make(Database* db, const QString& table, const Options& options, Outcome& refused);
    ~Rows();
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;

    // Checks that the register is whole, runs beforeWriting and opens the transaction (none
    // on a dry run); false when nothing more is to be read.
    bool begin();
    // The header, then each row (an empty one is passed over).
    void record(std::vector<QString>& fields, qint64 row);
    // A fault of the file at a row: nothing more is read.
    void stop(qint64 row, const QString& message);
    // A failure of the reading itself (the file cannot be read again, memory): nothing is stored.
    void fail(const Status& status);
    // The encoding the reader decided from the file's letters ("" when it did not have to).
    void setEncoding(const QString& encoding) { outcome.encoding = encoding; }
    bool stopped() const { return m_stopped; }
    // Stores the rows when every one passed (and none is in the register already, unless allowed).
    Outcome finish();

    Outcome outcome;

private:
    Rows(Database* db, const tables::Table& table, const Options& options);
    void header(const std::vector<QString>& fields);
    std::vector<bool> mapColumns(const std::vector<QString>& fields, QStringList& unknown);
    bool isOtherList(const std::vector<QString>& fields, const std::vector<bool>& named) const;
    void prepareWriting();
    void row(std::vector<QString>& fields, qint64 row);
    bool isEmptyRow(const std::vector<QString>& fields) const;
    bool entriesOf(const std::vector<QString>& fields, qint64 row, newrecords::Entries& entries);
    bool storedValues(const newrecords::Entries& entries, const QString& name, qint64 row, QVariantList& values);
    void keepPreview(const QVariantList& values);
    bool alreadyThere(const QString& key, const QString& name);
    void readContents();
    size_t contentHash(const QVariantList& values) const;

    Database* m_db;
    const tables::Table& m_table;
    const bool m_disc;
    const bool m_dryRun;
    Options m_options;
    qint64 m_read = 0;      // rows read, passed or refused
    bool m_stopped = false; // the header, the file or the register failed: nothing more is read
    bool m_sawHeader = false;
    std::vector<int> m_columnOf; // per field of the header: the table's column, -1 for one without a name,
                                 // ignoredColumn for a column of the file's own left out
    static constexpr int ignoredColumn = -2;
    std::vector<size_t> m_contents; // the rows of the register before, by a hash of the file's columns, sorted
    int m_keyField = -1;            // the field of the header holding the key, -1 for none
    struct Writing;
    std::unique_ptr<Writing> m_writing;
};

} // namespace importrows
