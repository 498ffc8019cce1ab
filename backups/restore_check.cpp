#include "backups/restore_check.h"

#include "backups/copy_places.h"
#include "storage/database.h"
#include "storage/file_targets.h"
#include "storage/register_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace backups {
namespace {

// Whether a program other than this one holds the register (each copy of the program holds
// it with flock while it runs): read from the kernel's list of locks, so that this program's
// own hold is told apart and nothing is taken or let go.
bool heldByAnother(const QString& registerPath)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(registerPath).constData(), &info) != 0)
        return false;
    const QString file = QStringLiteral("%1:%2:%3")
                             .arg(major(info.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(minor(info.st_dev), 2, 16, QLatin1Char('0'))
                             .arg(info.st_ino);
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // "1: FLOCK  ADVISORY  READ  12345 08:01:123456 0 EOF"; waiting requests ("1: -> FLOCK ...") hold nothing.
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[1] == "FLOCK" && QString::fromLatin1(fields[5]) == file &&
            fields[4].toLongLong() != ::getpid())
            return true;
    }
    return false;
}

} // namespace

Status checkSource(const QString& file)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return Status::failure(QStringLiteral("Soubor %1 nelze otevřít: %2.").arg(file, systemErrorText(errno)));
    if (S_ISDIR(info.st_mode))
        return Status::failure(QStringLiteral("%1 je složka, ne soubor zálohy.").arg(file));
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return Status::failure(QStringLiteral("%1 je zařízení, ne soubor zálohy.").arg(file));
    if (S_ISFIFO(info.st_mode))
        return Status::failure(QStringLiteral("%1 je roura (FIFO), ne soubor zálohy.").arg(file));
    if (!S_ISREG(info.st_mode))
        return Status::failure(QStringLiteral("%1 není obyčejný soubor.").arg(file));
    for (const QString& suffix : {QStringLiteral("-journal"), QStringLiteral("-wal")}) {
        struct stat beside = {};
        if (::lstat(QFile::encodeName(file + suffix).constData(), &beside) == 0 && beside.st_size > 0)
            return Status::failure(
                QStringLiteral("Vedle souboru %1 je %2 s nedokončeným zápisem: soubor má otevřený jiný program, "
                               "nebo jeho zápis přerušil pád. Obnovit z něj lze, až ho ten program zavře.")
                    .arg(file, QFileInfo(file + suffix).fileName()));
    }
    return Status::success();
}

Status copyDatabase(const QString& from, const QString& to)
{
    // A file in WAL mode (its header's versions are 2) is read as it is: SQLite would make its
    // -shm and -wal beside it, or fail to read it in a folder the user may not write to. It has
    // no changes pending (checkSource).
    QFile header(from);
    const bool wal = header.open(QIODevice::ReadOnly) && header.read(20).mid(18) == QByteArray("\x02\x02", 2);
    header.close();
    Status status = Status::success();
    const std::unique_ptr<Database> source = wal ? Database::connectAsItIs(QFile::encodeName(from), status)
                                                 : Database::connect(QFile::encodeName(from), status, true);
    if (!source)
        return Status::failure(QStringLiteral("Soubor %1 nelze otevřít: %2").arg(from, status.message()));
    qint64 objects = 0;
    if (Status s = source->queryInt(QStringLiteral("SELECT count(*) FROM sqlite_master"), objects); !s.ok())
        return Status::failure(
            source->isNotADatabase()
                ? QStringLiteral("Soubor %1 není databází programu Ordisk (nejde o databázi SQLite).").arg(from)
                : QStringLiteral("Soubor %1 je poškozený; obnovit z něj nelze.").arg(from));
    if (Status s = source->copyTo(to); !s.ok())
        return Status::failure(s.isDamage() ? QStringLiteral("Soubor %1 je poškozený; obnovit z něj nelze.").arg(from)
                                            : QStringLiteral("Soubor %1 nelze zkopírovat: %2").arg(from, s.message()));
    return Status::success();
}

Status examineSource(const QString& registerPath, const QString& file, const QString& copy, RegisterCounts& counts)
{
    if (filetargets::isSameFile(file, registerPath))
        return Status::failure(QStringLiteral("Soubor %1 je sama evidence, kterou by obnova nahradila; obnovit lze ze "
                                              "zálohy nebo z jiného souboru.")
                                   .arg(file));
    if (Status s = checkSource(file); !s.ok())
        return s;
    if (Status s = copyDatabase(file, copy); !s.ok()) {
        QFile::remove(copy);
        return s;
    }
    // The copy is examined, never the file: opening a register may record its version.
    Status status = Status::success();
    std::unique_ptr<Database> db = openRegisterFile(copy, status);
    if (!db) {
        QFile::remove(copy);
        // Said of the file; that nothing was changed is said once, for the whole restore.
        return Status::failure(
            QString(status.message()).replace(copy, file).remove(QStringLiteral(" Soubor nebyl změněn.")));
    }
    const bool whole = db->isWhole(true) && countRegister(*db, counts).ok();
    db.reset();
    if (!whole) {
        QFile::remove(copy);
        return Status::failure(QStringLiteral("Soubor %1 je poškozený; obnovit z něj nelze.").arg(file));
    }
    return Status::success();
}

QString restoreRefusal(const QString& registerPath, const QString& file)
{
    const QString nothingChanged = QStringLiteral(" Nic nebylo změněno.");
    if (heldByAnother(registerPath))
        return QStringLiteral("Evidenci %1 má otevřenou jiný běžící program Ordisk; zavřete ho a obnovu spusťte "
                              "znovu.")
                   .arg(registerPath) +
               nothingChanged;
    QTemporaryDir folder;
    if (!folder.isValid())
        return QStringLiteral("Dočasnou složku pro kontrolu nelze založit.") + nothingChanged;
    RegisterCounts counts;
    if (Status s = examineSource(registerPath, file, folder.filePath(QStringLiteral("db1.zaz")), counts); !s.ok())
        return s.message() + nothingChanged;
    return QString();
}

std::vector<Copy> keptBeforeRestores(const QString& folder)
{
    static const QRegularExpression name(
        QStringLiteral("^db1-(\\d{4}-\\d{2}-\\d{2})-\\d{6}(-\\d+)?-pred-obnovou\\.zaz$"));
    std::vector<Copy> kept;
    for (const QString& found :
         QDir(folder).entryList({QStringLiteral("db1-*-pred-obnovou.zaz")}, QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch match = name.match(found);
        const QDate day = QDate::fromString(match.captured(1), Qt::ISODate);
        if (match.hasMatch() && day.isValid())
            kept.push_back({day, QDir(folder).filePath(found)});
    }
    return kept;
}

} // namespace backups
