#include "storage/durable_files.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace durable {
namespace {

Watcher* told = nullptr;

} // namespace

int createFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0 && told)
        told->created(path);
    return fd;
}

int makeFolder(const QString& path)
{
    const int rc = ::mkdir(QFile::encodeName(path).constData(), 0700);
    if (rc == 0 && told)
        told->created(path);
    return rc;
}

int syncFile(int fd)
{
    const int rc = ::fsync(fd);
    if (rc == 0 && told)
        told->fileSynced(fd);
    return rc;
}

int syncFolder(const QString& folder)
{
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return -1;
    const int rc = ::fsync(dir);
    const int error = errno;
    if (rc == 0 && told)
        told->folderSynced(folder);
    ::close(dir);
    errno = error;
    return rc;
}

void watch(Watcher* watcher)
{
    told = watcher;
}

} // namespace durable
