#pragma once

#include <QString>

// The few file-system calls outside SQLite whose order decides what a power cut leaves of
// the register and its copies: creating a file or folder, and syncing a file or a folder's
// names. Each tells a watcher, when one is set, once it succeeded: a test's model of the
// disk learns from it what is durable.
namespace durable {

// A new file for writing, readable by its owner only and never over another: its descriptor,
// or -1 with errno set.
int createFile(const QString& path);

// A new folder, the owner's only: 0, or -1 with errno set.
int makeFolder(const QString& path);

// Makes what was written through the descriptor durable: 0, or -1 with errno set.
int syncFile(int fd);

// Makes the names the folder holds now durable (a new, renamed or removed name): 0, or -1
// with errno set.
int syncFolder(const QString& folder);

class Watcher
{
public:
    virtual ~Watcher() = default;
    virtual void created(const QString& path) = 0;
    virtual void fileSynced(int fd) = 0;
    virtual void folderSynced(const QString& folder) = 0;
};

// The watcher told from now on (null: none).
void watch(Watcher* watcher);

} // namespace durable
