#pragma once

#include "status.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <string_view>

struct sqlite3;
class TableCache;
struct sqlite3_stmt;

// One prepared statement; finalized when it goes out of scope.
class Statement
{
public:
    enum class Step
    {
        Row,
        Done,
        Error
    };

    // Prepares one SQL statement; check status() before use.
    Statement(sqlite3* db, const QString& sql);
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
    // The engine's message after a failed step.
    QString errorMessage() const;

    int columnCount() const;
    QString columnName(int column) const;
    // Declared type of the column's origin, upper case ("BOOLEAN", "DATE"...), empty when unknown.
    QString columnDeclType(int column) const;
    bool isNull(int column) const;
    qint64 columnInt(int column) const;
    // The column of the current row as text (numbers in their decimal form), null QString for NULL.
    QString columnText(int column) const;
    // The column's value as UTF-8 bytes, valid until the next step (empty for NULL).
    std::string_view columnUtf8(int column) const;


private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_prepareError;
};

// The open database file. Creates the schema in a new or empty file and
// refuses a file that is not ours without writing to it.
class Database
{
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (or creates) the register at the path; on failure returns null and sets status.
    static std::unique_ptr<Database> open(const QString& path, Status& status);

    // Runs SQL text without parameters (may hold several statements).
    Status exec(const QString& sql);
    // Runs one statement with bound parameters, ignoring any rows it yields.
    Status execute(const QString& sql, const QVariantList& params = {});
    // Runs a query yielding one whole number (first column of first row).
    Status queryInt(const QString& sql, qint64& result, const QVariantList& params = {});
    // Row id of the last insert on this connection.
    qint64 lastInsertRowId() const;
    // Whether a transaction is open on this connection.
    bool inTransaction() const;

    sqlite3* handle() { return m_db; }
    // The rows of the lists' tables kept in memory between queries on this connection.
    TableCache& tableCache();

private:
    explicit Database(sqlite3* db);
    Status configure();
    static Status createRegister(const QByteArray& path);
    static Status checkFileSize(const QByteArray& path, qint64 size);

    sqlite3* m_db = nullptr;
    std::unique_ptr<TableCache> m_tableCache;
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
    QString m_name;
    Status m_status = Status::success();
    bool m_open = false;
};
