#include "database.h"

#include "text_match.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The engine's failure as the user reads it: a Czech explanation of the kind of
// failure, with the engine's own words kept for the details. Messages raised by
// the schema's own rules pass unchanged.
QString engineMessage(sqlite3* db)
{
    const QString detail = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
    QString explanation;
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM;
    if (code == SQLITE_CONSTRAINT_FOREIGNKEY)
        return QStringLiteral("Disk nebo člověk, ke kterému se záznam váže, už v evidenci není (%1)").arg(detail);
    switch (code & 0xff) {
    case SQLITE_FULL:
        explanation = QStringLiteral("Na disku není místo; nic nebylo uloženo.");
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        explanation = QStringLiteral("Soubor s evidencí je poškozený.");
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        explanation = QStringLiteral("Soubor s evidencí je zamčený jiným programem.");
        break;
    case SQLITE_READONLY:
        explanation = QStringLiteral("Do souboru s evidencí nelze zapisovat.");
        break;
    case SQLITE_IOERR:
        explanation = QStringLiteral("Chyba při čtení nebo zápisu souboru s evidencí.");
        break;
    case SQLITE_CANTOPEN:
        explanation = QStringLiteral("Soubor s evidencí nelze otevřít.");
        break;
    case SQLITE_NOMEM:
        explanation = QStringLiteral("Nedostatek paměti.");
        break;
    default:
        return detail;
    }
    return explanation + QStringLiteral(" (") + detail + QLatin1Char(')');
}

QString argText(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QString::fromUtf8(text, sqlite3_value_bytes(value));
}

// ordisk_contains(text, part): whether text holds part anywhere, ignoring letter
// case for every alphabet (SQLite's LIKE folds ASCII only, so "č" would miss "Č").
// No wildcards: every character of part is matched as itself. NULL text yields NULL.
void containsFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    // The part is the same for every row of a query: fold it once.
    auto* part = static_cast<QString*>(sqlite3_get_auxdata(context, 1));
    if (!part) {
        part = new QString(argText(argv[1]).toCaseFolded());
        sqlite3_set_auxdata(context, 1, part, [](void* p) { delete static_cast<QString*>(p); });
        part = static_cast<QString*>(sqlite3_get_auxdata(context, 1));
        if (!part) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    sqlite3_result_int(context, textmatch::containsIgnoringCase(argText(argv[0]), *part) ? 1 : 0);
}

} // namespace

// ---------------------------------------------------------------- Statement

Statement::Statement(sqlite3* db, const QString& sql) : m_db(db)
{
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &m_stmt, nullptr) != SQLITE_OK) {
        m_prepareError = engineMessage(db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Status Statement::status() const
{
    return m_stmt ? Status::success() : Status::failure(m_prepareError);
}

Status Statement::bind(int index, const QVariant& value)
{
    if (!m_stmt)
        return status();
    int rc = SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        rc = sqlite3_bind_null(m_stmt, index);
        break;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
        break;
    case QMetaType::Double:
        rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
        break;
    default: {
        if (value.isNull()) {
            rc = sqlite3_bind_null(m_stmt, index);
            break;
        }
        const QByteArray utf8 = value.toString().toUtf8();
        rc = sqlite3_bind_text64(m_stmt, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    }
    return rc == SQLITE_OK ? Status::success() : Status::failure(engineMessage(m_db));
}

Status Statement::bindAll(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        if (auto s = bind(i + 1, values[i]); !s.ok())
            return s;
    return Status::success();
}

Statement::Step Statement::step()
{
    if (!m_stmt)
        return Step::Error;
    switch (sqlite3_step(m_stmt)) {
    case SQLITE_ROW:
        return Step::Row;
    case SQLITE_DONE:
        return Step::Done;
    default:
        return Step::Error;
    }
}

void Statement::reset()
{
    if (m_stmt)
        sqlite3_reset(m_stmt);
}

QString Statement::errorMessage() const
{
    return m_stmt ? engineMessage(m_db) : m_prepareError;
}

int Statement::columnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

QString Statement::columnDeclType(int column) const
{
    return QString::fromUtf8(sqlite3_column_decltype(m_stmt, column)).toUpper();
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 Statement::columnInt(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString Statement::columnText(int column) const
{
    if (isNull(column))
        return QString();
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    const QString value = QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column));
    return value.isNull() ? QString(QLatin1String("")) : value;
}

std::string_view Statement::columnUtf8(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return text ? std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column)))
                : std::string_view();
}

// ---------------------------------------------------------------- Database

Database::Database(sqlite3* db) : m_db(db) {}

Database::~Database()
{
    sqlite3_close_v2(m_db);
}

std::unique_ptr<Database> Database::connect(const QByteArray& path, Status& status)
{
    sqlite3* raw = nullptr;
    // One connection is used by one thread only: SQLite need not lock it around every call.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.constData(), &raw, flags, nullptr) != SQLITE_OK) {
        status = Status::failure(engineMessage(raw));
        sqlite3_close_v2(raw);
        return nullptr;
    }
    std::unique_ptr<Database> db(new Database(raw));
    sqlite3_extended_result_codes(raw, 1);
    // Another program in the middle of a write holds the file locked: wait a few seconds for it.
    sqlite3_busy_timeout(raw, 5000);
    status = Status::success();
    return db;
}

bool Database::isReadOnly() const
{
    return sqlite3_db_readonly(m_db, "main") == 1;
}

bool Database::isNotADatabase() const
{
    return (sqlite3_errcode(m_db) & 0xff) == SQLITE_NOTADB;
}

Status Database::configure()
{
    // Rollback journal, not WAL: WAL breaks on network shares, where such files are kept.
    // EXTRA, not FULL: the journal's deletion, which is the commit, is synced to its folder
    // too, or a power cut may bring the journal back and the next start roll the commit back.
    // A 16 MiB page cache keeps the pages the loan lists join (discs, people) between queries
    // (docs/performance.md: the whole history a quarter quicker).
    if (Status s = exec(QStringLiteral("PRAGMA foreign_keys = ON; PRAGMA synchronous = EXTRA; "
                                       "PRAGMA cache_size = -16384; PRAGMA journal_mode = DELETE;"));
        !s.ok())
        return s;
    if (sqlite3_create_function_v2(m_db, "ordisk_contains", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   containsFunction, nullptr, nullptr, nullptr) != SQLITE_OK)
        return Status::failure(engineMessage(m_db));
    return Status::success();
}

Status Database::exec(const QString& sql)
{
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return Status::failure(engineMessage(m_db));
    return Status::success();
}

Status Database::execute(const QString& sql, const QVariantList& params)
{
    Statement statement(m_db, sql);
    if (auto s = statement.bindAll(params); !s.ok())
        return s;
    Statement::Step step;
    while ((step = statement.step()) == Statement::Step::Row) {
    }
    return step == Statement::Step::Done ? Status::success() : Status::failure(statement.errorMessage());
}

Status Database::queryInt(const QString& sql, qint64& result, const QVariantList& params)
{
    Statement statement(m_db, sql);
    if (auto s = statement.bindAll(params); !s.ok())
        return s;
    switch (statement.step()) {
    case Statement::Step::Row:
        result = statement.columnInt(0);
        return Status::success();
    case Statement::Step::Done:
        result = 0;
        return Status::success();
    case Statement::Step::Error:
        break;
    }
    return Status::failure(statement.errorMessage());
}

qint64 Database::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

qint64 Database::totalChanges() const
{
    return sqlite3_total_changes64(m_db);
}

bool Database::inTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Database& db) : m_db(db)
{
    static quint64 counter = 0;
    m_name = QStringLiteral("ordisk_%1").arg(++counter);
    m_status = m_db.exec(QStringLiteral("SAVEPOINT %1").arg(m_name));
    m_open = m_status.ok();
}

Transaction::~Transaction()
{
    if (m_open) {
        // The engine may already have rolled back on its own (a full disk): then this fails harmlessly.
        (void)m_db.exec(QStringLiteral("ROLLBACK TO %1").arg(m_name));
        (void)m_db.exec(QStringLiteral("RELEASE %1").arg(m_name));
    }
}

Status Transaction::commit()
{
    if (!m_open)
        return m_status.ok() ? Status::failure(QStringLiteral("Transakce už byla ukončena.")) : m_status;
    Status s = m_db.exec(QStringLiteral("RELEASE %1").arg(m_name));
    if (s.ok())
        m_open = false;
    return s;
}
