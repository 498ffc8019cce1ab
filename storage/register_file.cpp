#include "storage/register_file.h"

#include "storage/database.h"
#include "storage/durable_files.h"
#include "storage/schema.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString fileError(const QString& path, const QString& what)
{
    return QStringLiteral("Soubor %1 %2").arg(path, what);
}

Status create(const QByteArray& path);
Status checkFileSize(const QByteArray& path, qint64 size);

} // namespace

std::unique_ptr<Database> openRegisterFile(const QString& path, Status& status)
{
    const QByteArray native = QFile::encodeName(path);
    const QString unchanged = QStringLiteral(" Soubor nebyl změněn.");
    struct stat info = {};
    if (::stat(native.constData(), &info) != 0) {
        if (errno != ENOENT) {
            status = Status::failure(fileError(path, QStringLiteral("nelze otevřít: %1.").arg(systemErrorText(errno))));
            return nullptr;
        }
        if (Status s = create(native); !s.ok()) {
            status = Status::failure(fileError(path, QStringLiteral("nelze založit: %1").arg(s.message())));
            return nullptr;
        }
    } else if (!S_ISREG(info.st_mode)) {
        status = Status::failure(fileError(path, QStringLiteral("není obyčejný soubor.")));
        return nullptr;
    } else if (info.st_size == 0) {
        // A new register is never left empty (it is built aside and moved in whole),
        // so an empty file is someone else's.
        status = Status::failure(
            fileError(path, QStringLiteral("je prázdný, neobsahuje evidenci programu Ordisk.") + unchanged));
        return nullptr;
    }

    std::unique_ptr<Database> db = Database::connect(native, status);
    if (!db) {
        status = Status::failure(fileError(path, QStringLiteral("nelze otevřít: %1").arg(status.message())));
        return nullptr;
    }
    if (db->isReadOnly()) {
        status = Status::failure(
            fileError(path, QStringLiteral("je jen pro čtení; do evidence nelze zapisovat.") + unchanged));
        return nullptr;
    }

    // Read before writing anything: a file that is not ours must stay as it is. The read is
    // held open (SQLite's read lock) while the file's length is compared with the pages its
    // header counts: another program's write in progress, or one a kill left behind (rolled
    // back by this first read), is never taken for a file cut short.
    const bool reading = db->exec(QStringLiteral("BEGIN")).ok();
    qint64 objects = 0;
    if (Status s = db->queryInt(QStringLiteral("SELECT count(*) FROM sqlite_master"), objects); !s.ok()) {
        const QString why =
            db->isNotADatabase()
                ? fileError(path,
                            QStringLiteral("není databází programu Ordisk (nejde o databázi SQLite).") + unchanged)
                : fileError(path, QStringLiteral("nelze přečíst: %1").arg(s.message()) + unchanged);
        // A damaged register is told as such (a backup can take its place); another file is not ours.
        status = s.isDamage() && !db->isNotADatabase() ? Status::damage(why) : Status::failure(why);
        return nullptr;
    }
    if (reading) {
        struct stat now = {};
        const Status sized =
            ::stat(native.constData(), &now) == 0 ? checkFileSize(native, now.st_size) : Status::success();
        (void)db->exec(QStringLiteral("COMMIT"));
        if (!sized.ok()) {
            status = Status::damage(fileError(path, sized.message() + unchanged));
            return nullptr;
        }
    }
    // A register restored from SQLite's text dump has lost only its version; one of the first
    // version has no trash yet. Either is made whole once it is known to be ours.
    const bool restored = schema::isUnversionedRegister(*db) || schema::isFirstVersionRegister(*db);
    if (Status s = restored ? Status::success() : schema::check(*db); !s.ok()) {
        status = Status::failure(
            fileError(path, QStringLiteral("není databází programu Ordisk: %1").arg(s.message()) + unchanged));
        return nullptr;
    }
    if (Status s = db->configure(); !s.ok()) {
        status = Status::failure(fileError(path, QStringLiteral("nelze otevřít: %1").arg(s.message())));
        return nullptr;
    }
    if (restored)
        if (Status s = schema::adopt(*db); !s.ok()) {
            status = Status::failure(fileError(path, QStringLiteral("nelze otevřít: %1").arg(s.message())));
            return nullptr;
        }
    status = Status::success();
    return db;
}

Status countRegister(Database& db, RegisterCounts& counts)
{
    for (auto [table, count] :
         {std::pair{"cd", &counts.discs}, std::pair{"lide", &counts.people}, std::pair{"pujcovani", &counts.loans}})
        if (Status s = db.queryInt(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)), *count);
            !s.ok())
            return s;
    return Status::success();
}

std::unique_ptr<RegisterInUse> RegisterInUse::take(const QString& path, bool alone)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? std::unique_ptr<RegisterInUse>(new RegisterInUse(-1)) : nullptr;
    if (::flock(fd, (alone ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<RegisterInUse>(new RegisterInUse(fd));
}

RegisterInUse::~RegisterInUse()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

namespace {

// Builds a new register beside the path and moves it in whole, so that an
// interrupted first start never leaves a half-made (or empty) file behind.
Status create(const QByteArray& path)
{
    const QByteArray building = path + "-novy";
    ::unlink(building.constData()); // left by an interrupted start: ours by its name
    ::unlink((building + "-journal").constData());
    // The register holds telephone numbers and e-mails: readable by its owner only.
    const int fd = durable::createFile(QFile::decodeName(building));
    if (fd < 0)
        return Status::failure(systemErrorText(errno) + QLatin1Char('.'));
    ::close(fd);
    Status status = Status::success();
    if (std::unique_ptr<Database> db = Database::connect(building, status)) {
        status = db->configure();
        if (status.ok())
            status = schema::create(*db);
    }
    if (status.ok() && ::renameat2(AT_FDCWD, building.constData(), AT_FDCWD, path.constData(), RENAME_NOREPLACE) != 0) {
        // Some file systems cannot refuse to replace; then only a file that appeared meanwhile is at risk.
        const bool unsupported = errno == EINVAL || errno == ENOSYS;
        if (!unsupported || ::rename(building.constData(), path.constData()) != 0)
            status = Status::failure(systemErrorText(errno) + QLatin1Char('.'));
    }
    if (!status.ok()) {
        ::unlink(building.constData());
        return status;
    }
    // The new name must survive a power cut too.
    durable::syncFolder(QFileInfo(QFile::decodeName(path)).absolutePath());
    return Status::success();
}

// Refuses a file shorter than its own header says: a copy cut short, whose
// rows would be found missing only later.
Status checkFileSize(const QByteArray& path, qint64 size)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("nelze přečíst: %1.").arg(systemErrorText(errno)));
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return Status::success(); // not SQLite at all: the engine says so
    auto be = [&header](int offset, int bytes) {
        quint32 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | static_cast<quint8>(header[offset + i]);
        return value;
    };
    const quint32 pageSizeField = be(16, 2);
    const qint64 pageSize = pageSizeField == 1 ? 65536 : pageSizeField;
    const quint32 pages = be(28, 4);
    const bool countValid = be(92, 4) == be(24, 4) && pages > 0;
    if (countValid && pageSize > 0 && pages * pageSize > size)
        return Status::failure(QStringLiteral("je poškozený: je kratší, než má být (chybí část dat)."));
    return Status::success();
}

} // namespace
