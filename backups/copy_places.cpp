#include "backups/copy_places.h"

#include "storage/database.h"
#include "storage/durable_files.h"
#include "storage/file_targets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace backups {

Status ownFolder(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0) {
        if (errno != ENOENT || durable::makeFolder(folder) != 0)
            return Status::failure(
                QStringLiteral("Složku záloh %1 nelze založit: %2.").arg(folder, systemErrorText(errno)));
        // The folder's name must survive a power cut as the copies in it do.
        durable::syncFolder(QFileInfo(folder).absolutePath());
        return Status::success();
    }
    if (!S_ISDIR(info.st_mode))
        return Status::failure(QStringLiteral("Zálohu nelze uložit: zalohy (%1) není složka, ale %2. Přejmenujte ji "
                                              "nebo přesuňte jinam; program pak složku záloh založí sám.")
                                   .arg(folder, filetargets::kindOf(info.st_mode)));
    // Made by someone else: the owner's only, where it is the user's (opened without following
    // a link, so that nothing else is changed).
    if (info.st_uid == ::geteuid() && (info.st_mode & 077) != 0) {
        const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            ::fchmod(fd, 0700);
            ::close(fd);
        }
    }
    return Status::success();
}

namespace {

// Whether two statements' current rows hold the same values.
bool sameRow(const Statement& a, const Statement& b)
{
    if (a.columnCount() != b.columnCount())
        return false;
    for (int c = 0; c < a.columnCount(); ++c)
        if (a.isNull(c) != b.isNull(c) || a.columnUtf8(c) != b.columnUtf8(c))
            return false;
    return true;
}

// Whether a table holds the same rows in both.
bool sameTable(Database& db, Database& copy, const QString& table, const std::function<bool()>& stop)
{
    // The rows from a row id on, a thousand at a time, in the order of their ids.
    const QString sql =
        QStringLiteral("SELECT rowid, * FROM \"%1\" WHERE rowid > ? ORDER BY rowid LIMIT 1000").arg(table);
    Statement mine(db.handle(), sql);
    Statement theirs(copy.handle(), sql);
    if (!mine.status().ok() || !theirs.status().ok())
        return false;
    qint64 after = std::numeric_limits<qint64>::min();
    while (!(stop && stop())) {
        if (!mine.bind(1, after).ok() || !theirs.bind(1, after).ok())
            return false;
        qint64 read = 0;
        while (true) {
            const Statement::Step a = mine.step();
            const Statement::Step b = theirs.step();
            if (a == Statement::Step::Error || b == Statement::Step::Error || a != b)
                return false;
            if (a == Statement::Step::Done)
                break;
            if (!sameRow(mine, theirs))
                return false;
            after = mine.columnInt(0);
            ++read;
        }
        // Reset, so that the register's read lock is let go between the chunks.
        mine.reset();
        theirs.reset();
        if (read < 1000)
            return true;
    }
    return false;
}

// The register's tables, saved queries and triggers as declared, and its version.
QStringList declared(Database& db)
{
    Statement schema(db.handle(),
                     QStringLiteral("SELECT type || ' ' || name || ' ' || coalesce(sql, '') FROM sqlite_master "
                                    "ORDER BY type, name"));
    QStringList lines;
    while (schema.status().ok() && schema.step() == Statement::Step::Row)
        lines << schema.columnText(0);
    schema.reset();
    qint64 version = -1;
    if (db.queryInt(QStringLiteral("PRAGMA user_version"), version).ok())
        lines << QString::number(version);
    return lines;
}

} // namespace

bool holdsTheCollection(Database& db, const QString& copy, const std::function<bool()>& stop)
{
    Status status = Status::success();
    const std::unique_ptr<Database> other = Database::connect(QFile::encodeName(copy), status, true);
    if (!other || declared(db) != declared(*other))
        return false;
    Statement tables(db.handle(), QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                                                 "LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    QStringList names;
    while (tables.status().ok() && tables.step() == Statement::Step::Row)
        names << tables.columnText(0);
    tables.reset();
    for (const QString& table : names)
        if (!sameTable(db, *other, table, stop))
            return false;
    return !(stop && stop());
}

} // namespace backups
