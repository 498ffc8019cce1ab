#include "power_cut.h"

#include "storage/durable_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>

#include <sqlite3.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace powercut {
namespace {

const QString copiesFolder = QStringLiteral("zalohy");

// A file as the disk knows it: its inode, and how many times that inode was made anew.
struct Inode
{
    qint64 number = 0;
    int generation = 0;
};

// The image's bookkeeping: the durable name of every file and folder (relative to the
// register's folder) and each inode's generation; the durable content of a file is the
// image's file content-<inode>-<generation>.
struct State
{
    QMap<QString, Inode> durable;
    QMap<qint64, int> generation;
};

QString imageDir(const QString& registerPath)
{
    return registerPath + QStringLiteral(".image");
}

QString contentPath(const QString& dir, const Inode& inode)
{
    return dir + QStringLiteral("/content-%1-%2").arg(inode.number).arg(inode.generation);
}

State load(const QString& dir)
{
    State state;
    QFile file(dir + QStringLiteral("/state"));
    if (!file.open(QIODevice::ReadOnly))
        return state;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> w = line.split('\t');
        if (w.size() == 4 && w[0] == "name")
            state.durable.insert(QString::fromUtf8(w[1]), {w[2].toLongLong(), w[3].toInt()});
        else if (w.size() == 3 && w[0] == "generation")
            state.generation.insert(w[1].toLongLong(), w[2].toInt());
    }
    return state;
}

// Written aside and renamed over: a kill while saving leaves the old state or the new one.
void save(const QString& dir, const State& state)
{
    QSaveFile file(dir + QStringLiteral("/state"));
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (auto it = state.durable.cbegin(); it != state.durable.cend(); ++it)
        file.write("name\t" + it.key().toUtf8() + '\t' + QByteArray::number(it->number) + '\t' +
                   QByteArray::number(it->generation) + '\n');
    for (auto it = state.generation.cbegin(); it != state.generation.cend(); ++it)
        file.write("generation\t" + QByteArray::number(it.key()) + '\t' + QByteArray::number(it.value()) + '\n');
    file.commit();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Holds the image for one process at a time; released by the system if the process is killed.
class Locked
{
public:
    explicit Locked(const QString& dir)
        : m_fd(::open(QFile::encodeName(dir + QStringLiteral("/lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~Locked()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    int m_fd;
};

// ------------------------------------------------------------ which files are the register's

// The register's folder, and the names in it the image keeps: the register's files and
// those the program makes beside it (named after it, hidden or not), and the folder of
// copies with every file in it.
struct Place
{
    QString root;
    QString registerName;

    explicit Place(const QString& registerPath = QString())
        : root(QFileInfo(registerPath).absolutePath()), registerName(QFileInfo(registerPath).fileName())
    {
    }

    bool kept(const QString& name) const
    {
        if (name.startsWith(copiesFolder + QLatin1Char('/')))
            return !name.mid(copiesFolder.size() + 1).contains(QLatin1Char('/'));
        const QString stem = registerName.section(QLatin1Char('.'), 0, 0);
        return !name.contains(QLatin1Char('/')) && name != registerName + QStringLiteral(".image") &&
               (name == copiesFolder || name.startsWith(stem) || name.startsWith(QLatin1Char('.') + stem));
    }

    // The name relative to the register's folder, or empty for a path outside it.
    QString nameOf(const QString& path) const
    {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        if (!absolute.startsWith(root + QLatin1Char('/')))
            return QString();
        const QString name = absolute.mid(root.size() + 1);
        return kept(name) ? name : QString();
    }

    QString pathOf(const QString& name) const { return root + QLatin1Char('/') + name; }

    // The kept names a folder ("" for the register's own) holds now.
    QStringList listing(const QString& folder) const
    {
        const QString prefix = folder.isEmpty() ? QString() : folder + QLatin1Char('/');
        QStringList names;
        for (const QString& entry :
             QDir(pathOf(folder)).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
            if (kept(prefix + entry))
                names << prefix + entry;
        return names;
    }
};

QString folderOfName(const QString& name)
{
    return name.contains(QLatin1Char('/')) ? name.section(QLatin1Char('/'), 0, 0) : QString();
}

qint64 inodeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? static_cast<qint64>(info.st_ino) : -1;
}

Place place;
QString image;
int syncCount = 0;
int dieAt = 0;
bool dieTorn = false;

// A new inode: nothing of it is durable yet, whatever an earlier file of that number held.
void recordCreated(const QString& path)
{
    const qint64 number = inodeOf(path);
    if (place.nameOf(path).isEmpty() || number < 0)
        return;
    Locked lock(image);
    State state = load(image);
    state.generation[number] += 1;
    save(image, state);
}

void countSync()
{
    if (++syncCount == dieAt)
        ::raise(SIGKILL);
}

// A sync makes the file's content durable, first copied aside: a kill meanwhile leaves the
// sync torn.
void recordFileSync(const QString& path, const QByteArray& content)
{
    if (place.nameOf(path).isEmpty())
        return;
    {
        Locked lock(image);
        const qint64 number = inodeOf(path);
        const Inode inode{number, load(image).generation.value(number)};
        const QString target = contentPath(image, inode);
        QFile pending(target + QStringLiteral(".pending"));
        if (pending.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            pending.write(content);
            pending.close();
            if (syncCount + 1 == dieAt && dieTorn)
                ::raise(SIGKILL);
            ::rename(QFile::encodeName(pending.fileName()).constData(), QFile::encodeName(target).constData());
        }
    }
    countSync();
}

// A folder's sync makes the names it holds now durable.
void recordFolderSync(const QString& folderPath)
{
    const QString absolute = QFileInfo(folderPath).absoluteFilePath();
    const QString folder = absolute == place.root ? QString() : place.nameOf(absolute);
    if (absolute != place.root && folder.isEmpty())
        return;
    {
        Locked lock(image);
        State state = load(image);
        for (auto it = state.durable.begin(); it != state.durable.end();)
            it = folderOfName(it.key()) == folder && it.key() != folder ? state.durable.erase(it) : std::next(it);
        for (const QString& name : place.listing(folder)) {
            const qint64 number = inodeOf(place.pathOf(name));
            state.durable[name] = {number, state.generation.value(number)};
        }
        save(image, state);
    }
    countSync();
}

class Watcher : public durable::Watcher
{
public:
    void created(const QString& path) override { recordCreated(path); }
    void fileSynced(int fd) override
    {
        char link[64];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const QString path = QFile::symLinkTarget(QString::fromLatin1(link));
        QByteArray content;
        struct stat info = {};
        if (::fstat(fd, &info) == 0) {
            content.resize(static_cast<qsizetype>(info.st_size));
            // Read through the descriptor the program holds (it may be open for writing only:
            // then through a descriptor of our own, closed at once; no SQLite lock is on it).
            if (::pread(fd, content.data(), static_cast<size_t>(content.size()), 0) != content.size())
                content = readAll(path);
        }
        recordFileSync(path, content);
    }
    void folderSynced(const QString& folder) override { recordFolderSync(folder); }
};

Watcher watcher;

// ------------------------------------------------------------ the wrapping of SQLite's file system

sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs powerVfs;
sqlite3_syscall_ptr realOpenDirectory = nullptr;
// Set when SQLite opens a directory, which it does only to sync it: the folder of the
// file it syncs or deletes.
bool directorySynced = false;

struct File
{
    sqlite3_file base;
    sqlite3_file* real;
    char name[4096];
};

sqlite3_file* real(sqlite3_file* file)
{
    return reinterpret_cast<File*>(file)->real;
}

int openDirectory(const char* name, int* fd)
{
    const int rc = reinterpret_cast<int (*)(const char*, int*)>(realOpenDirectory)(name, fd);
    directorySynced = directorySynced || rc == SQLITE_OK;
    return rc;
}

// The file's whole content, read through SQLite's own handle: opening and closing the file
// again would drop the process's locks on it.
QByteArray content(sqlite3_file* file)
{
    sqlite3_int64 size = 0;
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        return QByteArray();
    QByteArray data(static_cast<qsizetype>(size), '\0');
    if (size > 0 && file->pMethods->xRead(file, data.data(), static_cast<int>(size), 0) != SQLITE_OK)
        return QByteArray();
    return data;
}

const sqlite3_io_methods methods = {
    1,
    [](sqlite3_file* f) {
        const int rc = real(f)->pMethods->xClose(real(f));
        f->pMethods = nullptr;
        return rc;
    },
    [](sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
        return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
    },
    [](sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
        return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
    },
    [](sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); },
    [](sqlite3_file* f, int flags) {
        directorySynced = false;
        const int rc = real(f)->pMethods->xSync(real(f), flags);
        const QString name = QString::fromUtf8(reinterpret_cast<File*>(f)->name);
        if (rc == SQLITE_OK && !name.isEmpty()) {
            recordFileSync(name, content(real(f)));
            if (directorySynced)
                recordFolderSync(QFileInfo(name).absolutePath());
        }
        return rc;
    },
    [](sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); },
    [](sqlite3_file* f, int lock) { return real(f)->pMethods->xLock(real(f), lock); },
    [](sqlite3_file* f, int lock) { return real(f)->pMethods->xUnlock(real(f), lock); },
    [](sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); },
    [](sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); },
    [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); },
    [](sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr};

int powerOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* f = reinterpret_cast<File*>(file);
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    f->name[0] = '\0';
    const bool ours = name && !place.nameOf(QString::fromUtf8(name)).isEmpty();
    if (ours)
        std::snprintf(f->name, sizeof f->name, "%s", name);
    const bool existed = ours && ::access(name, F_OK) == 0;
    const int rc = realVfs->xOpen(realVfs, name, f->real, flags, outFlags);
    f->base.pMethods = f->real->pMethods ? &methods : nullptr;
    if (rc == SQLITE_OK && ours && !existed)
        recordCreated(QString::fromUtf8(name));
    return rc;
}

int powerDelete(sqlite3_vfs*, const char* name, int syncDirectory)
{
    directorySynced = false;
    const int rc = realVfs->xDelete(realVfs, name, syncDirectory);
    if (directorySynced)
        recordFolderSync(QFileInfo(QString::fromUtf8(name)).absolutePath());
    return rc;
}

// The pages of the interrupted sync that differ from the durable content, a random number
// of them from the front, over the durable content.
QByteArray tear(QByteArray durable, const QByteArray& pending, QRandomGenerator& random, int& written, int& pages)
{
    constexpr qsizetype page = 4096;
    QList<qsizetype> changed;
    for (qsizetype at = 0; at < pending.size(); at += page)
        if (pending.mid(at, page) != durable.mid(at, page))
            changed << at;
    pages = static_cast<int>(changed.size());
    written = static_cast<int>(random.bounded(pages + 1));
    for (int i = 0; i < written; ++i) {
        const QByteArray data = pending.mid(changed[i], page);
        if (durable.size() < changed[i] + data.size())
            durable.resize(changed[i] + data.size());
        durable.replace(changed[i], data.size(), data);
    }
    return durable;
}

} // namespace

void begin(const QString& registerPath)
{
    const Place here(registerPath);
    const QString dir = imageDir(registerPath);
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    State state;
    QStringList names = here.listing(QString());
    if (names.contains(copiesFolder))
        names << here.listing(copiesFolder);
    for (const QString& name : names) {
        const Inode inode{inodeOf(here.pathOf(name)), 0};
        state.durable[name] = inode;
        state.generation[inode.number] = 0;
        if (QFileInfo(here.pathOf(name)).isFile())
            QFile::copy(here.pathOf(name), contentPath(dir, inode));
    }
    save(dir, state);
}

bool install(const QString& registerPath)
{
    place = Place(registerPath);
    image = imageDir(QFileInfo(registerPath).absoluteFilePath());
    durable::watch(&watcher);
    realVfs = sqlite3_vfs_find(nullptr);
    if (!realVfs || !realVfs->xSetSystemCall)
        return false;
    realOpenDirectory = realVfs->xGetSystemCall(realVfs, "openDirectory");
    if (!realOpenDirectory ||
        realVfs->xSetSystemCall(realVfs, "openDirectory", reinterpret_cast<sqlite3_syscall_ptr>(openDirectory)) !=
            SQLITE_OK)
        return false;
    powerVfs = *realVfs;
    powerVfs.zName = "ordisk-power-cut";
    powerVfs.szOsFile = static_cast<int>(sizeof(File)) + realVfs->szOsFile;
    powerVfs.xOpen = powerOpen;
    powerVfs.xDelete = powerDelete;
    return sqlite3_vfs_register(&powerVfs, 1) == SQLITE_OK;
}

void dieAtSync(int n, bool torn)
{
    dieAt = n;
    dieTorn = torn;
}

int syncs()
{
    return syncCount;
}

QString cut(const QString& registerPath, QRandomGenerator& random, bool torn)
{
    const Place here(registerPath);
    const QString dir = imageDir(registerPath);
    const State state = load(dir);
    QStringList done;
    // The folder of copies first goes whole when its own name was never durable.
    if (!state.durable.contains(copiesFolder) && QFileInfo::exists(here.pathOf(copiesFolder))) {
        QDir(here.pathOf(copiesFolder)).removeRecursively();
        done << copiesFolder + QStringLiteral(" gone");
    }
    for (const QString& folder : {QString(), copiesFolder}) {
        if (!folder.isEmpty() && !state.durable.contains(folder))
            continue;
        QDir().mkpath(here.pathOf(folder));
        for (const QString& name : here.listing(folder))
            if (!state.durable.contains(name) && QFile::remove(here.pathOf(name)))
                done << name + QStringLiteral(" gone");
        for (auto it = state.durable.cbegin(); it != state.durable.cend(); ++it) {
            if (folderOfName(it.key()) != folder || it.key() == copiesFolder)
                continue;
            const QString path = here.pathOf(it.key());
            const QString stored = contentPath(dir, *it);
            QByteArray content = readAll(stored);
            if (torn && QFile::exists(stored + QStringLiteral(".pending"))) {
                int written = 0, pages = 0;
                content = tear(content, readAll(stored + QStringLiteral(".pending")), random, written, pages);
                done << QStringLiteral("%1 torn (%2 of %3 pages)").arg(it.key()).arg(written).arg(pages);
            }
            if (inodeOf(path) != it->number)
                done << it.key() + QStringLiteral(" back");
            // Written in place (a connection the test holds open reads the new content), but a
            // file of two names is parted first: each name gets its own content.
            struct stat info = {};
            if (::stat(QFile::encodeName(path).constData(), &info) == 0 && info.st_nlink > 1)
                QFile::remove(path);
            QFile file(path);
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(content);
        }
    }
    return done.join(QStringLiteral(", "));
}

} // namespace powercut
