#include "power_cut.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace powercut {
namespace {

const char* const suffixes[] = {"", "-journal", "-wal"};

QString imageDir(const QString& registerPath)
{
    return registerPath + QStringLiteral(".image");
}

// The image's bookkeeping: which inode each file name is now and which it is after a cut;
// an inode's durable content is the image's file inode-<n>.
struct State
{
    qint64 next = 1;
    QMap<QString, qint64> live;
    QMap<QString, qint64> durable;
};

QString inodePath(const QString& dir, qint64 id)
{
    return dir + QStringLiteral("/inode-%1").arg(id);
}

State load(const QString& dir)
{
    State state;
    QFile file(dir + QStringLiteral("/state"));
    if (!file.open(QIODevice::ReadOnly))
        return state;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> w = line.split(' ');
        if (w.size() == 2 && w[0] == "next")
            state.next = w[1].toLongLong();
        else if (w.size() == 3)
            (w[0] == "live" ? state.live : state.durable).insert(QString::fromUtf8(w[1]), w[2].toLongLong());
    }
    return state;
}

// Written aside and renamed over: a kill while saving leaves the old state or the new one.
void save(const QString& dir, const State& state)
{
    QSaveFile file(dir + QStringLiteral("/state"));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write("next " + QByteArray::number(state.next) + '\n');
    for (auto [kind, map] : {std::pair{"live", &state.live}, std::pair{"durable", &state.durable}})
        for (auto it = map->cbegin(); it != map->cend(); ++it)
            file.write(QByteArray(kind) + ' ' + it.key().toUtf8() + ' ' + QByteArray::number(it.value()) + '\n');
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

// ------------------------------------------------------------ the wrapping file system

sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs powerVfs;
QString registerFile;
QString image;
sqlite3_syscall_ptr realOpenDirectory = nullptr;
// Set when SQLite opens a directory, which it does only to sync it.
bool directorySynced = false;

struct File
{
    sqlite3_file base;
    sqlite3_file* real;
    int which; // index into suffixes, -1 for files not of the register
};

sqlite3_file* real(sqlite3_file* file)
{
    return reinterpret_cast<File*>(file)->real;
}

int tracked(const char* name)
{
    if (!name)
        return -1;
    const QString path = QString::fromUtf8(name);
    for (int i = 0; i < 3; ++i)
        if (path == registerFile + QLatin1String(suffixes[i]))
            return i;
    return -1;
}

QString fileName(int which)
{
    return QFileInfo(registerFile).fileName() + QLatin1String(suffixes[which]);
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

// A sync makes the file's content durable (first copied aside: a kill meanwhile leaves the
// sync torn), and with the directory synced, every name as the directory now holds it.
void recordSync(sqlite3_file* file, int which)
{
    Locked lock(image);
    State state = load(image);
    const QString name = fileName(which);
    if (state.live.contains(name)) {
        const QString inode = inodePath(image, state.live[name]);
        QFile pending(inode + QStringLiteral(".pending"));
        if (pending.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            pending.write(content(file));
            pending.close();
            ::rename(QFile::encodeName(pending.fileName()).constData(), QFile::encodeName(inode).constData());
        }
    }
    if (directorySynced) {
        state.durable = state.live;
        save(image, state);
    }
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
        if (rc == SQLITE_OK && reinterpret_cast<File*>(f)->which >= 0)
            recordSync(real(f), reinterpret_cast<File*>(f)->which);
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

// A file of the register that did not exist is a new inode, not yet in the directory's durable state.
int powerOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* f = reinterpret_cast<File*>(file);
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    f->which = tracked(name);
    const bool existed = f->which >= 0 && ::access(name, F_OK) == 0;
    const int rc = realVfs->xOpen(realVfs, name, f->real, flags, outFlags);
    f->base.pMethods = f->real->pMethods ? &methods : nullptr;
    if (rc == SQLITE_OK && f->which >= 0 && !existed) {
        Locked lock(image);
        State state = load(image);
        state.live[fileName(f->which)] = state.next++;
        save(image, state);
    }
    return rc;
}

int powerDelete(sqlite3_vfs*, const char* name, int syncDirectory)
{
    directorySynced = false;
    const int rc = realVfs->xDelete(realVfs, name, syncDirectory);
    if (const int which = tracked(name); which >= 0 && (rc == SQLITE_OK || rc == SQLITE_IOERR_DELETE_NOENT)) {
        Locked lock(image);
        State state = load(image);
        state.live.remove(fileName(which));
        if (directorySynced)
            state.durable = state.live;
        save(image, state);
    }
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
    const QString dir = imageDir(registerPath);
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    State state;
    for (const char* suffix : suffixes) {
        const QString path = registerPath + QLatin1String(suffix);
        if (!QFile::exists(path))
            continue;
        const QString name = QFileInfo(path).fileName();
        state.live[name] = state.durable[name] = state.next;
        QFile::copy(path, inodePath(dir, state.next++));
    }
    save(dir, state);
}

bool install(const QString& registerPath)
{
    registerFile = QFileInfo(registerPath).absoluteFilePath();
    image = imageDir(registerPath);
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

QString cut(const QString& registerPath, QRandomGenerator& random, bool torn)
{
    const QString dir = imageDir(registerPath);
    const State state = load(dir);
    QStringList done;
    for (const char* suffix : suffixes) {
        const QString path = registerPath + QLatin1String(suffix);
        const QString name = QFileInfo(path).fileName();
        if (!state.durable.contains(name)) {
            if (QFile::remove(path))
                done << name + QStringLiteral(" gone");
            continue;
        }
        const QString inode = inodePath(dir, state.durable[name]);
        QByteArray content = readAll(inode);
        if (torn && QFile::exists(inode + QStringLiteral(".pending"))) {
            int written = 0, pages = 0;
            content = tear(content, readAll(inode + QStringLiteral(".pending")), random, written, pages);
            done << QStringLiteral("%1 torn (%2 of %3 pages)").arg(name).arg(written).arg(pages);
        }
        if (state.live.value(name) != state.durable[name])
            done << name + QStringLiteral(" back");
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(content);
    }
    return done.join(QStringLiteral(", "));
}

} // namespace powercut
