#pragma once

#include "core/status.h"
#include "storage/system_errors.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <string_view>

struct sqlite3;
class Database;
struct sqlite3_stmt;

// One prepared statement; finalized when it goes out of scope.
class Statement
{
public:
    enum class Step { Row, Done, Error };

    // Prepares one SQL statement; check status() before use.
    Statement(sqlite3* db, const QString& sql);
    // The same on a connection: what the layers above storage use.
    Statement(Database& db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Whether preparing succeeded, with the engine's message if not.
    Status status() const;
    // Binds the 1-based parameter: null, whole number, real number or text.
    Status bind(int index, const QVariant& value);
    // Binds every value of the list in order.
    Status bindAll(const QVariantList& values);
    // Runs the statement one row further.
    Step step();
    // Makes the statement ready to run again (bindings are kept until bound anew).
    void reset();
    // The engine's failure after a failed step, in Czech.
    Status failure() const;

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    qint64 columnInt(int column) const;
    // The column of the current row as text (numbers in their decimal form), null QString for NULL.
    QString columnText(int column) const;
    // The column's value as UTF-8 bytes, valid until the next step (empty for NULL).
    std::string_view columnUtf8(int column) const;

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    Status m_prepareError = Status::success();
};

// One connection to an SQLite file, with our SQL functions and settings; the
// register (register.h) decides which file it opens.
class Database
{
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens a connection to the file (an SQLite error in Czech on failure); nothing is read or
    // written yet. A read-only connection never writes to the file, not even a journal.
    static std::unique_ptr<Database> connect(const QByteArray& path, Status& status, bool readOnly = false);
    // Opens a file no program is writing, read only, as it is: no lock is taken and nothing is
    // made beside it (a file in WAL mode would otherwise get its -shm and -wal files, and could
    // not be read at all in a folder the user may not write to).
    static std::unique_ptr<Database> connectAsItIs(const QByteArray& path, Status& status);
    // The absolute path of the file the connection is open on.
    QString filePath() const;
    // Turns on foreign keys, crash-safe writing, our SQL function ordisk_contains and our
    // collation ordisk_seznam (the order of the lists).
    Status configure();
    // Whether the file can only be read.
    bool isReadOnly() const;
    // Whether the last failure found the file not to be an SQLite database.
    bool isNotADatabase() const;
    // Whether the file was found damaged; from then on nothing is written to it.
    bool isDamaged() const { return m_damaged; }
    // Called once, when the file is first found damaged, with what to tell the user.
    void onDamage(std::function<void(const QString&)> handler) { m_onDamage = std::move(handler); }
    // Records that the file is damaged (SQLite said so).
    void noteDamage();
    // Reads every page of the file (SQLite's quick_check) before a bulk change: a damage
    // found is noted and returned, so that nothing is written into it.
    Status checkWhole();
    // Whether the file is whole: SQLite's integrity_check (indexes against their tables too)
    // or, not thorough, its quick_check. Damage is of the file's structure: a value the
    // schema's CHECK rules would refuse (a date another program stored) is not damage, and
    // the program shows it as stored (fieldvalue::storedDay).
    bool isWhole(bool thorough);
    // Copies the whole file into a new file at path (made readable by its owner only) with
    // SQLite's online backup, consistent while others write; the copy is checked
    // (quick_check) and synced. A failure (the system's reason in Czech, a damage noted as
    // ever, or stop() saying so between steps) leaves no file at path.
    Status copyTo(const QString& path, const std::function<bool()>& stop = nullptr);

    // Runs SQL text without parameters (may hold several statements).
    Status exec(const QString& sql);
    // Runs one statement with bound parameters, ignoring any rows it yields.
    Status execute(const QString& sql, const QVariantList& params = {});
    // Runs a query yielding one whole number (first column of first row).
    Status queryInt(const QString& sql, qint64& result, const QVariantList& params = {});
    // Row id of the last insert on this connection.
    qint64 lastInsertRowId() const;
    // Rows inserted, changed or deleted on this connection so far, by triggers too.
    qint64 totalChanges() const;
    // Rows the last statement inserted, changed or deleted (not counting triggers' and foreign
    // keys' own).
    qint64 changes() const;
    // Called before every row of the register is inserted, updated or deleted on this
    // connection, also by triggers, cascades and conflict replacements, and also for changes
    // later rolled back, with the row's key before and after (null: no hook).
    using RowChangeHook = void (*)(void* context, const char* table, qint64 before, qint64 after);
    void setRowChangeHook(RowChangeHook hook, void* context);
    // Whether a transaction is open on this connection.
    bool inTransaction() const;

    sqlite3* handle() { return m_db; }

private:
    explicit Database(sqlite3* db);
    Status refusedIfDamaged() const;
    // Opens a connection with the flags (name: a path, or a URI with SQLITE_OPEN_URI), set up
    // as every connection of the program is.
    static std::unique_ptr<Database> opened(const QByteArray& name, int flags, Status& status);

    sqlite3* m_db = nullptr;
    RowChangeHook m_rowChangeHook = nullptr;
    void* m_rowChangeContext = nullptr;
    bool m_damaged = false;
    std::function<void(const QString&)> m_onDamage;
};

// A unit of work: everything done while it lives is stored by commit() or
// undone when it is destroyed uncommitted. Nests (savepoints), so an action
// may wrap steps that open transactions of their own.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Whether the transaction could be started.
    Status status() const { return m_status; }
    // Makes the work permanent (or part of the enclosing transaction).
    Status commit();

private:
    Database& m_db;
    bool m_outermost = false;
    QString m_name;
    Status m_status = Status::success();
    bool m_open = false;
};
