#include "backups/backups.h"

#include "backups/copy_places.h"
#include "backups/restore_check.h"

#include "storage/database.h"
#include "storage/durable_files.h"
#include "storage/file_targets.h"
#include "storage/register_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace backups {
namespace {

// "db1-2026-12-08.zaz" for the day's copy, "db1-2026-12-08-143005.zaz" for one made at a time
// (and "-143005-2" for a second one within that second).
const QRegularExpression copyName(QStringLiteral("^db1-(\\d{4}-\\d{2}-\\d{2})(-\\d{6}(-\\d+)?)?\\.zaz$"));

// A name in the folder for a copy made at a moment: two within one second are told apart
// by a number ("-143005-2").
QString freeName(const QString& folder, const QDateTime& at, const QString& suffix = QString())
{
    const QString stem =
        QStringLiteral("db1-%1-%2%3")
            .arg(at.date().toString(Qt::ISODate), at.time().toString(QStringLiteral("HHmmss")), suffix);
    QString path = QDir(folder).filePath(stem + QStringLiteral(".zaz"));
    for (int second = 2; QFileInfo::exists(path); ++second)
        path = QDir(folder).filePath(stem + QStringLiteral("-%1.zaz").arg(second));
    return path;
}

// The folder of the register's copies, made when missing, and the copies it holds.
Status openFolder(const QString& registerPath, QString& folder, std::vector<Copy>& copies)
{
    folder = folderOf(registerPath);
    if (Status s = ownFolder(folder); !s.ok())
        return s;
    copies = list(folder);
    return Status::success();
}

// The copies the keep rule lets go, and what copies cut off by a kill or a power cut left
// behind under their temporary names (older than a day: no copy still being made).
void removeUnkept(const QString& folder, const QDate& today)
{
    for (const Copy& copy : unkept(list(folder), today))
        QFile::remove(copy.path);
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    for (const QFileInfo& left :
         QDir(folder).entryInfoList({QStringLiteral(".db1-*.zaz.novy")}, QDir::Files | QDir::Hidden))
        if (left.lastModified() < dayAgo)
            QFile::remove(left.filePath());
}

} // namespace

QString folderOf(const QString& registerPath)
{
    return QFileInfo(registerPath).absoluteDir().filePath(QStringLiteral("zalohy"));
}

std::vector<Copy> list(const QString& folder)
{
    std::vector<std::pair<QString, Copy>> found;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("db1-*.zaz")}, QDir::Files)) {
        const QRegularExpressionMatch match = copyName.match(name);
        const QDate day = QDate::fromString(match.captured(1), Qt::ISODate);
        // The day's own copy first, then those made at a time, in the order of their times.
        if (match.hasMatch() && day.isValid())
            found.push_back({match.captured(2), {day, QDir(folder).filePath(name)}});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.second.day != b.second.day ? a.second.day < b.second.day : a.first < b.first;
    });
    std::vector<Copy> copies;
    for (const auto& [time, copy] : found)
        copies.push_back(copy);
    return copies;
}

std::vector<Copy> unkept(const std::vector<Copy>& copies, const QDate& today)
{
    // Weeks from Monday (day 0 of the Julian count was a Monday) and months of the calendar:
    // a past week's or month's newest copy stays its newest, so pruning day after day keeps
    // what the rule promises. The later copy of a bucket replaces the earlier one.
    const auto weekOf = [](const QDate& day) { return day.toJulianDay() / 7; };
    const auto monthOf = [](const QDate& day) { return day.year() * 12 + day.month(); };
    std::map<qint64, size_t> newestOfWeek;
    std::map<int, size_t> newestOfMonth;
    std::vector<bool> kept(copies.size(), false);
    for (size_t i = 0; i < copies.size(); ++i) {
        const QDate& day = copies[i].day;
        const qint64 weeksAgo = weekOf(today) - weekOf(day);
        const int monthsAgo = monthOf(today) - monthOf(day);
        kept[i] = day.daysTo(today) < 7; // the last seven days, and any dated ahead of the clock
        if (weeksAgo >= 0 && weeksAgo <= 4)
            newestOfWeek[weeksAgo] = i;
        if (monthsAgo >= 0 && monthsAgo <= 12)
            newestOfMonth[monthsAgo] = i;
    }
    for (const auto& [week, i] : newestOfWeek)
        kept[i] = true;
    for (const auto& [month, i] : newestOfMonth)
        kept[i] = true;
    std::vector<Copy> gone;
    for (size_t i = 0; i < copies.size(); ++i)
        if (!kept[i])
            gone.push_back(copies[i]);
    return gone;
}

namespace {

// The name a copy is made under beside the file it becomes: ".<name><suffix>", the name cut
// short (a whole character at a time) where the two with SQLite's "-journal" after them would
// pass the 255 bytes a file name may have, so that any name the file system takes can take a copy.
QString buildingName(const QString& fileName, const QString& suffix)
{
    constexpr qsizetype mostBytes = 255 - 8; // "-journal"
    QString name = fileName;
    while (!name.isEmpty() && 1 + QFile::encodeName(name + suffix).size() > mostBytes)
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    return QLatin1Char('.') + name + suffix;
}

// Copies the register to the path under a temporary name in the path's folder, synced, then
// renamed into place: over the file there only where `replace` says so, so that the file
// stays as it was until the copy is whole.
Status write(Database& db, const QString& path, const std::function<bool()>& stop, bool replace)
{
    if (const QString refused = filetargets::refusedTarget(db.filePath(), path, QStringLiteral("zálohu"));
        !refused.isEmpty())
        return Status::failure(refused);
    const QFileInfo target(path);
    if (!replace && target.exists())
        return Status::failure(QStringLiteral("Zálohu evidence %1 nelze uložit: soubor už existuje.").arg(path));
    const QString kept =
        replace && target.exists() ? QStringLiteral(" Dosavadní soubor %1 zůstal, jak byl.").arg(path) : QString();
    // Made under a name of its own, then renamed. In the folder of copies, what an interrupted
    // copy left under that name is removed; elsewhere a free name is found, since the file
    // there is the user's.
    QString building = target.absoluteDir().filePath(buildingName(target.fileName(), QStringLiteral(".novy")));
    if (replace) {
        for (int n = 2; QFileInfo::exists(building) || QFileInfo(building).isSymLink(); ++n)
            building =
                target.absoluteDir().filePath(buildingName(target.fileName(), QStringLiteral(".novy-%1").arg(n)));
    } else {
        QFile::remove(building);
    }
    if (Status s = db.copyTo(building, stop); !s.ok()) {
        if (s.isDamage() || s.isCancelled())
            return s;
        return Status::failure(
            QStringLiteral("Zálohu evidence %1 nelze uložit: %2 Evidence zůstala, jak byla.%3")
                .arg(path, s.message().endsWith(QLatin1Char('.')) ? s.message() : s.message() + QLatin1Char('.'),
                     kept));
    }
    const QByteArray from = QFile::encodeName(building);
    const QByteArray to = QFile::encodeName(path);
    int error = 0;
    if (replace) {
        if (::rename(from.constData(), to.constData()) != 0)
            error = errno;
    } else if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
        // A copy never replaces another; where the file system cannot promise that, the name
        // is looked at first.
        error = errno;
        if ((error == EINVAL || error == ENOSYS) && !QFileInfo::exists(path) &&
            ::rename(from.constData(), to.constData()) == 0)
            error = 0;
    }
    if (error != 0) {
        QFile::remove(building);
        return Status::failure(
            QStringLiteral("Zálohu evidence %1 nelze uložit: %2.%3").arg(path, systemErrorText(error), kept));
    }
    if (durable::syncFolder(target.absolutePath()) != 0)
        return Status::failure(QStringLiteral("Záloha evidence %1 je uložena, ale systém nepotvrdil zápis jejího jména "
                                              "na disk (%2); při výpadku proudu by se mohla ztratit.")
                                   .arg(path, systemErrorText(errno)));
    return Status::success();
}

} // namespace

Status write(Database& db, const QString& path, const std::function<bool()>& stop)
{
    return write(db, path, stop, false);
}

Status replace(Database& db, const QString& path, const std::function<bool()>& stop)
{
    return write(db, path, stop, true);
}

namespace {

// A copy at the path, unless the newest of the copies holds the collection (decided before
// anything is written); then the keep rule.
Outcome copyUnlessHeld(Database& db, const QString& path, const std::vector<Copy>& copies, const QDate& today,
                       const std::function<bool()>& stop)
{
    Outcome outcome;
    if (!copies.empty() && holdsTheCollection(db, copies.back().path, stop)) {
        outcome.existing = copies.back().path;
    } else {
        if (stop && stop())
            return outcome;
        if (outcome.status = write(db, path, stop, false); !outcome.status.ok())
            return outcome;
        outcome.made = path;
    }
    removeUnkept(QFileInfo(path).absolutePath(), today);
    return outcome;
}

} // namespace

Outcome daily(Database& db, const QString& registerPath, const QDate& today, const std::function<bool()>& stop)
{
    Outcome outcome;
    QString folder;
    std::vector<Copy> copies;
    if (outcome.status = openFolder(registerPath, folder, copies); !outcome.status.ok())
        return outcome;
    const bool madeToday =
        std::any_of(copies.begin(), copies.end(), [&today](const Copy& copy) { return copy.day == today; });
    if (madeToday) {
        removeUnkept(folder, today);
        return outcome;
    }
    return copyUnlessHeld(db, QDir(folder).filePath(QStringLiteral("db1-%1.zaz").arg(today.toString(Qt::ISODate))),
                          copies, today, stop);
}

Outcome now(Database& db, const QString& registerPath, const QDateTime& at)
{
    Outcome outcome;
    QString folder;
    std::vector<Copy> copies;
    if (outcome.status = openFolder(registerPath, folder, copies); !outcome.status.ok())
        return outcome;
    const QString path = freeName(folder, at);
    return copyUnlessHeld(db, path, copies, at.date(), nullptr);
}

namespace {

// The file's bytes copied to a new file (readable by its owner only) and synced.
Status copyBytes(const QString& from, const QString& to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("Soubor %1 nelze přečíst: %2.").arg(from, systemErrorText(errno)));
    const int out = durable::createFile(to);
    if (out < 0)
        return Status::failure(QStringLiteral("Soubor %1 nelze zapsat: %2.").arg(to, systemErrorText(errno)));
    int error = 0;
    while (error == 0) {
        const QByteArray bytes = in.read(1 << 20);
        if (bytes.isEmpty()) {
            if (in.error() != QFileDevice::NoError)
                error = EIO;
            break;
        }
        for (qsizetype done = 0; done < bytes.size() && error == 0;) {
            const ssize_t wrote = ::write(out, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (wrote < 0)
                error = errno;
            else
                done += wrote;
        }
    }
    if (error == 0 && durable::syncFile(out) != 0)
        error = errno;
    ::close(out);
    if (error == 0)
        return Status::success();
    QFile::remove(to);
    return Status::failure(QStringLiteral("Soubor %1 nelze zapsat: %2.").arg(to, systemErrorText(error)));
}

} // namespace

Restored restore(const QString& registerPath, const QString& file, const QDateTime& at)
{
    Restored restored;
    const auto refuse = [&restored](const QString& why) {
        restored.status = Status::failure(why + QStringLiteral(" Nic nebylo změněno."));
        return restored;
    };
    const std::unique_ptr<RegisterInUse> alone = RegisterInUse::take(registerPath, true);
    if (!alone)
        return refuse(QStringLiteral("Evidenci %1 má otevřenou běžící program Ordisk; zavřete ho a obnovu spusťte "
                                     "znovu.")
                          .arg(registerPath));
    const QFileInfo target(registerPath);
    const QString building = target.absoluteDir().filePath(QStringLiteral(".db1.zaz-obnova"));
    QFile::remove(building);
    QFile::remove(building + QStringLiteral("-journal"));
    RegisterCounts counts;
    if (Status s = examineSource(registerPath, file, building, counts); !s.ok())
        return refuse(s.message());
    restored.discs = counts.discs;
    restored.people = counts.people;
    restored.loans = counts.loans;
    // The register before: kept beside its copies by a second name (nothing is copied),
    // with its journal, which belongs to it alone.
    if (target.exists()) {
        const QString folder = folderOf(registerPath);
        if (Status s = ownFolder(folder); !s.ok()) {
            QFile::remove(building);
            return refuse(s.message());
        }
        const QString kept = freeName(folder, at, QStringLiteral("-pred-obnovou"));
        if (::link(QFile::encodeName(registerPath).constData(), QFile::encodeName(kept).constData()) != 0) {
            if (Status s = copyBytes(registerPath, kept); !s.ok()) {
                QFile::remove(building);
                return refuse(s.message());
            }
        }
        // The journal's leaving must be on the disk before the new register arrives: an old
        // journal found beside it (after a power cut, or a move that failed) would be rolled
        // back into it. Where it cannot be made sure, the register stays as it was.
        const QString journal = registerPath + QStringLiteral("-journal");
        const bool journalStays =
            QFileInfo::exists(journal) && !QFile::rename(journal, kept + QStringLiteral("-journal"));
        if (journalStays || durable::syncFolder(folder) != 0 || durable::syncFolder(target.absolutePath()) != 0) {
            const QString why =
                journalStays ? QStringLiteral("deník evidence %1 nelze odložit").arg(journal) : systemErrorText(errno);
            QFile::remove(building);
            return refuse(QStringLiteral("Evidenci %1 nelze nahradit: %2. Dosavadní evidence je i v %3.")
                              .arg(registerPath, why, kept));
        }
        restored.keptAs = kept;
    }
    if (::rename(QFile::encodeName(building).constData(), QFile::encodeName(registerPath).constData()) != 0) {
        const int error = errno;
        QFile::remove(building);
        restored.status = Status::failure(
            QStringLiteral("Evidenci %1 nelze nahradit: %2.").arg(registerPath, systemErrorText(error)));
        return restored;
    }
    // Reported done only once the new name is on the disk: a power cut could otherwise bring
    // the register before back, which is said, with where it is kept.
    if (durable::syncFolder(target.absolutePath()) != 0)
        restored.status = Status::failure(
            QStringLiteral("Evidence %1 je obnovena, ale systém nepotvrdil její zápis na disk (%2); při výpadku proudu "
                           "by se mohla vrátit dosavadní%3.")
                .arg(registerPath, systemErrorText(errno),
                     restored.keptAs.isEmpty() ? QString()
                                               : QStringLiteral(", uložená i jako %1").arg(restored.keptAs)));
    return restored;
}

std::optional<GoodCopy> examine(const Copy& copy, bool checked)
{
    Status status = Status::success();
    const std::unique_ptr<Database> db = Database::connect(QFile::encodeName(copy.path), status, true);
    if (!db || (checked && !db->checkWhole().ok()))
        return std::nullopt;
    GoodCopy good{copy.path, copy.day};
    if (RegisterCounts counts; countRegister(*db, counts).ok()) {
        good.discs = counts.discs;
        good.people = counts.people;
        good.loans = counts.loans;
        return good;
    }
    return std::nullopt;
}

std::optional<GoodCopy> newestGood(const QString& registerPath)
{
    std::vector<Copy> copies = list(folderOf(registerPath));
    for (auto copy = copies.rbegin(); copy != copies.rend(); ++copy)
        if (std::optional<GoodCopy> good = examine(*copy, true))
            return good;
    return std::nullopt;
}

} // namespace backups
