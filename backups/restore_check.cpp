#include "backups/restore_check.h"

#include "storage/database.h"
#include "storage/register_file.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
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

QString restoreRefusal(const QString& registerPath, const QString& file)
{
    const QString nothingChanged = QStringLiteral(" Nic nebylo změněno.");
    if (heldByAnother(registerPath))
        return QStringLiteral("Evidenci %1 má otevřenou jiný běžící program Ordisk; zavřete ho a obnovu spusťte "
                              "znovu.")
                   .arg(registerPath) +
               nothingChanged;
    // Opening a register may record its version: a copy is opened, never the file.
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("db1.zaz"));
    if (Status s = checkSource(file); !s.ok())
        return s.message() + nothingChanged;
    if (!folder.isValid())
        return QStringLiteral("Dočasnou složku pro kontrolu nelze založit.") + nothingChanged;
    if (Status s = copyDatabase(file, copy); !s.ok())
        return s.message() + nothingChanged;
    Status status = Status::success();
    const std::unique_ptr<Database> db = openRegisterFile(copy, status);
    if (!db)
        return QString(status.message()).replace(copy, file).remove(QStringLiteral(" Soubor nebyl změněn.")) +
               nothingChanged;
    Statement check(*db, QStringLiteral("PRAGMA integrity_check(1)"));
    const bool whole =
        check.status().ok() && check.step() == Statement::Step::Row && check.columnText(0) == QLatin1String("ok");
    check.reset();
    if (!whole)
        return QStringLiteral("Soubor %1 je poškozený; obnovit z něj nelze.").arg(file) + nothingChanged;
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
