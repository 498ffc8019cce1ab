#include "storage/database.h"

#include "storage/durable_files.h"
#include "storage/sql_functions.h"

#include <sqlite3.h>

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <unistd.h>

namespace {

// Every open connection's Database, to tell it when its file turns out damaged. A backup
// reads the register on a connection of its own, on another thread.
std::map<sqlite3*, Database*>& connections()
{
    static std::map<sqlite3*, Database*> all;
    return all;
}

std::mutex& connectionsLock()
{
    static std::mutex lock;
    return lock;
}

Database* databaseOf(sqlite3* db)
{
    const std::lock_guard<std::mutex> held(connectionsLock());
    const auto found = connections().find(db);
    return found == connections().end() ? nullptr : found->second;
}

// What the user is told of a damaged register, with what to do about it: a copy from the
// folder of backups, or the salvage the manual page describes.
const char* const damagedText = "Soubor s evidencí je poškozený; program do něj už nic nezapíše a skončí.\n"
                                "Obnovte ho ze zálohy ve složce zalohy vedle něj (ordisk --restore zalohy/db1-….zaz); "
                                "jak zachránit, co se z něj dá přečíst, popisuje příručka (man ordisk).";

// What the operating system said of the last file operation, in Czech, as the end of a sentence.
QString systemReason(sqlite3* db)
{
    const QString text = systemErrorText(db ? sqlite3_system_errno(db) : 0);
    return text.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + text + QLatin1Char('.');
}

// The engine's failure as the user reads it: what happened, in Czech. SQLite's own
// English words go to standard error, for a bug report. The schema's own rules raise
// Czech messages, which pass unchanged. A damaged file is reported to its connection,
// which writes nothing more.
Status engineFailure(sqlite3* db)
{
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM;
    const char* detail = db ? sqlite3_errmsg(db) : "out of memory";
    if (code == SQLITE_CONSTRAINT_TRIGGER)
        return Status::failure(QString::fromUtf8(detail));
    // Failures a user meets in normal work (a file locked by another program, a full disk,
    // no permission) are told in Czech alone; others carry SQLite's words for a bug report,
    // a damage once per connection (every page read after it would say it again).
    const int primary = code & 0xff;
    const bool damage = primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
    const Database* connection = databaseOf(db);
    if (primary != SQLITE_BUSY && primary != SQLITE_LOCKED && primary != SQLITE_FULL && primary != SQLITE_READONLY &&
        primary != SQLITE_PERM && !(damage && connection && connection->isDamaged()))
        libraryWords(QStringLiteral("SQLite %1: %2").arg(code).arg(QString::fromUtf8(detail)));
    if (code == SQLITE_CONSTRAINT_FOREIGNKEY)
        return Status::failure(QStringLiteral("Disk nebo člověk, ke kterému se záznam váže, už v evidenci není."));
    // SQL kept in the file that calls a function with side effects (the connection does not
    // trust the file's schema): named, as what the program refuses to run.
    if (const QByteArray said(detail); primary == SQLITE_ERROR && said.startsWith("unsafe use of "))
        return Status::failure(QStringLiteral("obsahuje uložený dotaz nebo pravidlo, které volá funkci %1; takovou "
                                              "funkci program z uložených dotazů nevolá (mohla by načíst cizí program "
                                              "nebo měnit soubory).")
                                   .arg(QString::fromUtf8(said.mid(14))));
    switch (code & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        if (Database* damaged = databaseOf(db))
            damaged->noteDamage();
        return Status::damage(QString::fromUtf8(damagedText));
    case SQLITE_FULL:
        return Status::failure(QStringLiteral("Na disku není místo; nic nebylo uloženo."));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Status::failure(QStringLiteral("Soubor s evidencí je zamčený jiným programem."));
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return Status::failure(QStringLiteral("Do souboru s evidencí nelze zapisovat."));
    case SQLITE_IOERR:
        return Status::failure(QStringLiteral("Chyba při čtení nebo zápisu souboru s evidencí") + systemReason(db));
    case SQLITE_CANTOPEN:
        return Status::failure(QStringLiteral("Soubor s evidencí nelze otevřít") + systemReason(db));
    case SQLITE_NOMEM:
        return Status::failure(QStringLiteral("Nedostatek paměti."));
    case SQLITE_CONSTRAINT:
        return Status::failure(QStringLiteral("Záznam odporuje pravidlům evidence; nic nebylo uloženo."));
    default:
        return Status::failure(QStringLiteral("Chyba databáze (kód %1).").arg(code));
    }
}

} // namespace

// ---------------------------------------------------------------- Statement

Statement::Statement(sqlite3* db, const QString& sql) : m_db(db)
{
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &m_stmt, nullptr) != SQLITE_OK) {
        m_prepareError = engineFailure(db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

Statement::Statement(Database& db, const QString& sql) : Statement(db.handle(), sql) {}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Status Statement::status() const
{
    return m_stmt ? Status::success() : m_prepareError;
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
    return rc == SQLITE_OK ? Status::success() : engineFailure(m_db);
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

Status Statement::failure() const
{
    return m_stmt ? engineFailure(m_db) : m_prepareError;
}

int Statement::columnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
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

Database::Database(sqlite3* db) : m_db(db)
{
    const std::lock_guard<std::mutex> held(connectionsLock());
    connections()[db] = this;
}

Database::~Database()
{
    {
        const std::lock_guard<std::mutex> held(connectionsLock());
        connections().erase(m_db);
    }
    sqlite3_close_v2(m_db);
}

void Database::noteDamage()
{
    if (m_damaged)
        return;
    m_damaged = true;
    if (m_onDamage)
        m_onDamage(QString::fromUtf8(damagedText));
}

namespace {

// Runs SQLite's check of the file with the schema's CHECK rules set aside (SQLite's checks
// honour ignore_check_constraints): its first finding, "ok" when whole, empty when it failed.
QString fileCheck(sqlite3* db, bool thorough, Status& failed)
{
    sqlite3_exec(db, "PRAGMA ignore_check_constraints = ON", nullptr, nullptr, nullptr);
    QString finding;
    {
        Statement check(db, thorough ? QStringLiteral("PRAGMA integrity_check(1)")
                                     : QStringLiteral("PRAGMA quick_check(1)"));
        failed = check.status();
        const Statement::Step step = failed.ok() ? check.step() : Statement::Step::Error;
        if (step == Statement::Step::Row)
            finding = check.columnText(0);
        else if (failed.ok())
            failed = step == Statement::Step::Error ? check.failure() : Status::success();
    }
    sqlite3_exec(db, "PRAGMA ignore_check_constraints = OFF", nullptr, nullptr, nullptr);
    return finding;
}

} // namespace

Status Database::checkWhole()
{
    if (Status s = refusedIfDamaged(); !s.ok())
        return s;
    Status failed = Status::success();
    const QString finding = fileCheck(m_db, false, failed);
    if (!failed.ok())
        return failed;
    if (finding == QLatin1String("ok"))
        return Status::success();
    libraryWords(QStringLiteral("SQLite quick_check: %1").arg(finding));
    noteDamage();
    return refusedIfDamaged();
}

bool Database::isWhole(bool thorough)
{
    Status failed = Status::success();
    return fileCheck(m_db, thorough, failed) == QLatin1String("ok") && failed.ok();
}

QString Database::filePath() const
{
    const char* name = sqlite3_db_filename(m_db, "main");
    return name ? QFile::decodeName(name) : QString();
}

Status Database::copyTo(const QString& path, const std::function<bool()>& stop)
{
    if (Status s = refusedIfDamaged(); !s.ok())
        return s;
    const QByteArray native = QFile::encodeName(path);
    // Readable by its owner only, as the register is; never over another file.
    const int fd = durable::createFile(path);
    if (fd < 0)
        return Status::failure(systemErrorText(errno));
    ::close(fd);
    Status status = Status::success();
    std::unique_ptr<Database> copy = connect(native, status);
    if (!copy) {
        ::unlink(native.constData());
        return status;
    }
    sqlite3* target = copy->handle();
    if (sqlite3_backup* backup = sqlite3_backup_init(target, "main", m_db, "main")) {
        // A few pages at a time: the register's read lock is let go between the steps, so a
        // write of the program's never waits for the whole copy.
        int step = SQLITE_OK;
        while (step == SQLITE_OK || step == SQLITE_BUSY || step == SQLITE_LOCKED) {
            if (stop && stop()) {
                status = Status::cancelled(QStringLiteral("Kopie byla přerušena."));
                break;
            }
            step = sqlite3_backup_step(backup, 32);
            if (step == SQLITE_BUSY || step == SQLITE_LOCKED)
                sqlite3_sleep(10);
        }
        sqlite3_backup_finish(backup);
        if (status.ok() && step != SQLITE_DONE) {
            const int primary = step & 0xff;
            if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
                libraryWords(QStringLiteral("SQLite %1: %2").arg(step).arg(QString::fromUtf8(sqlite3_errstr(step))));
                noteDamage();
                status = refusedIfDamaged();
            } else {
                status = engineFailure(target);
            }
        }
    } else {
        status = engineFailure(target);
    }
    // The copy is read through as a whole: pages copied as they are hold the register's damage too.
    if (status.ok()) {
        status = copy->checkWhole();
        if (status.isDamage()) {
            noteDamage();
            status = refusedIfDamaged();
        }
    }
    copy.reset();
    if (status.ok()) {
        const int written = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
        if (written < 0 || durable::syncFile(written) != 0)
            status = Status::failure(systemErrorText(errno));
        if (written >= 0)
            ::close(written);
    }
    if (!status.ok())
        ::unlink(native.constData());
    return status;
}

// Writing into a damaged file could turn a file that can be salvaged into one that cannot.
Status Database::refusedIfDamaged() const
{
    return m_damaged ? Status::damage(QString::fromUtf8(damagedText)) : Status::success();
}

std::unique_ptr<Database> Database::opened(const QByteArray& name, int flags, Status& status)
{
    sqlite3* raw = nullptr;
    // One connection is used by one thread only: SQLite need not lock it around every call.
    if (sqlite3_open_v2(name.constData(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        status = engineFailure(raw);
        sqlite3_close_v2(raw);
        return nullptr;
    }
    std::unique_ptr<Database> db(new Database(raw));
    sqlite3_extended_result_codes(raw, 1);
    // SQL kept in a file (a view, a trigger, an index's expression) never calls a function
    // or a virtual table with side effects, and SQL outside the program cannot change the
    // file's schema behind its back.
    sqlite3_db_config(raw, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    status = Status::success();
    return db;
}

std::unique_ptr<Database> Database::connect(const QByteArray& path, Status& status, bool readOnly)
{
    // A register linked from elsewhere is opened through the link; SQLite keeps its journal
    // beside the real file.
    std::unique_ptr<Database> db = opened(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, status);
    // Another program in the middle of a write holds the file locked: wait a few seconds for it.
    if (db)
        sqlite3_busy_timeout(db->m_db, 5000);
    return db;
}

std::unique_ptr<Database> Database::connectAsItIs(const QByteArray& path, Status& status)
{
    // SQLite's URI of the file, its name percent-encoded, with immutable=1.
    return opened("file:" + path.toPercentEncoding("/") + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                  status);
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
    // SQLite's own page cache is enough since the loan lists are read by pages
    // (docs/performance.md: a 16 MiB one bought nothing and cost 12 MB).
    if (Status s = exec(QStringLiteral("PRAGMA foreign_keys = ON; PRAGMA synchronous = EXTRA; "
                                       "PRAGMA journal_mode = DELETE;"));
        !s.ok())
        return s;
    if (!sqlfunctions::add(m_db))
        return engineFailure(m_db);
    return Status::success();
}

Status Database::exec(const QString& sql)
{
    if (Status s = refusedIfDamaged(); !s.ok())
        return s;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return engineFailure(m_db);
    return Status::success();
}

Status Database::execute(const QString& sql, const QVariantList& params)
{
    if (Status s = refusedIfDamaged(); !s.ok())
        return s;
    Statement statement(m_db, sql);
    if (auto s = statement.bindAll(params); !s.ok())
        return s;
    Statement::Step step;
    while ((step = statement.step()) == Statement::Step::Row) {
    }
    return step == Statement::Step::Done ? Status::success() : statement.failure();
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
    return statement.failure();
}

qint64 Database::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

qint64 Database::changes() const
{
    return sqlite3_changes64(m_db);
}

qint64 Database::totalChanges() const
{
    return sqlite3_total_changes64(m_db);
}

// SQLite's pre-update hook names a row's key before and after a change (the update hook
// names only the new one, so a rewritten key would leave its old row behind).
void Database::setRowChangeHook(RowChangeHook hook, void* context)
{
    m_rowChangeHook = hook;
    m_rowChangeContext = context;
    auto changed = [](void* self, sqlite3*, int, const char* database, const char* table, sqlite3_int64 before,
                      sqlite3_int64 after) {
        const auto* db = static_cast<Database*>(self);
        if (std::strcmp(database, "main") == 0)
            db->m_rowChangeHook(db->m_rowChangeContext, table, before, after);
    };
    sqlite3_preupdate_hook(m_db, hook ? +changed : nullptr, hook ? this : nullptr);
}

bool Database::inTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Database& db) : m_db(db)
{
    static std::atomic<quint64> counter = 0; // connections live on worker threads too
    m_name = QStringLiteral("ordisk_%1").arg(++counter);
    m_outermost = !m_db.inTransaction();
    m_status = m_db.exec(QStringLiteral("SAVEPOINT %1").arg(m_name));
    m_open = m_status.ok();
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    // The engine may already have rolled back on its own (a full disk): then this fails harmlessly.
    // The outermost work is rolled back whole: releasing it would write the pages back, with
    // a new change counter, also into a file found damaged meanwhile.
    auto run = [this](const QString& sql) {
        (void)sqlite3_exec(m_db.handle(), sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    };
    if (m_outermost) {
        run(QStringLiteral("ROLLBACK"));
        // After a failed write (a full disk) SQLite may hold the transaction's journal until
        // the file is next read, or the next start: the file would stay grown, with a journal
        // beside it. A read now puts the file back as it was and removes the journal.
        run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } else {
        run(QStringLiteral("ROLLBACK TO %1").arg(m_name));
        run(QStringLiteral("RELEASE %1").arg(m_name));
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
