#include "storage/file_targets.h"

#include "storage/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>
#include <sys/stat.h>

namespace filetargets {
namespace {

// A file as the system knows it, whatever names and links lead to it.
struct FileId
{
    dev_t device;
    ino_t inode;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> idOf(const QString& path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

// Whether two paths name one file, or, where it is not there yet, one name in one folder.
bool sameFile(const QString& a, const QString& b)
{
    const std::optional<FileId> x = idOf(a);
    if (x && x == idOf(b))
        return true;
    const QFileInfo first(a);
    const QFileInfo second(b);
    const std::optional<FileId> folder = idOf(first.absolutePath());
    return first.fileName() == second.fileName() && folder && folder == idOf(second.absolutePath());
}

} // namespace

QString kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return QStringLiteral("soubor");
    if (S_ISLNK(mode))
        return QStringLiteral("symbolický odkaz");
    if (S_ISFIFO(mode))
        return QStringLiteral("roura");
    if (S_ISSOCK(mode))
        return QStringLiteral("soket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("zařízení");
    return QStringLiteral("něco jiného");
}

namespace {

// Where a name leads through its symbolic links, also to a file not there yet.
QString linkedTo(const QString& path)
{
    QString name = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40 && QFileInfo(name).isSymLink(); ++hops)
        name = QFileInfo(name).symLinkTarget();
    return name;
}

} // namespace

QString problem(const QString& path, int error)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("je to složka, ne soubor");
    if (!info.dir().exists())
        return QStringLiteral("složka %1 neexistuje").arg(info.dir().path());
    return systemErrorText(error);
}

bool isSameFile(const QString& a, const QString& b)
{
    return sameFile(a, b);
}

QString refusedTarget(const QString& registerPath, const QString& path, const QString& what)
{
    const auto refused = [&path, &what](const QString& why) {
        return QStringLiteral("Do souboru %1 nelze %2 uložit: %3 Zvolte jiný soubor.").arg(path, what, why);
    };
    // A device, a pipe or a socket would be replaced by a file (or written into for ever).
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return refused(QStringLiteral("je to %1, ne obyčejný soubor.").arg(kindOf(info.st_mode)));
    const QString linked = linkedTo(path);
    // The register by the name it was opened by and by the file's own name (where it is a
    // link): SQLite keeps its journal beside the real file.
    QStringList registers{QFileInfo(registerPath).absoluteFilePath()};
    if (const QString real = QFileInfo(registerPath).canonicalFilePath(); !real.isEmpty() && real != registers.first())
        registers << real;
    const std::optional<FileId> target = idOf(path);
    for (const QString& register_ : registers) {
        if (target && target == idOf(register_))
            return refused(QStringLiteral("je to sama evidence, se kterou program pracuje."));
        for (const char* journal : {"-journal", "-wal", "-shm"})
            if (sameFile(path, register_ + QLatin1String(journal)) ||
                sameFile(linked, register_ + QLatin1String(journal)))
                return refused(QStringLiteral("patří k evidenci (SQLite do něj zapisuje rozpracované změny)."));
    }
    if (!target)
        return QString();
    const QDir open(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : open.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (idOf(open.filePath(fd)) == target)
            return refused(QStringLiteral("program ho má právě otevřený."));
    return QString();
}

} // namespace filetargets
