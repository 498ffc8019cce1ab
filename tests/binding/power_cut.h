#pragma once

// What a disk holds after a power cut, for the crash tests. Beside a register's real files
// a folder keeps their durable image: each file's content as it was at its last sync, and
// the names each folder held at its last sync (the register's folder and its folder of
// copies). A file created, renamed, linked or deleted since its folder's last sync keeps
// its durable name: a deleted journal whose folder was not synced is still there after a
// cut, a renamed copy is not yet there. Files are told apart by their inode (and how many
// times it was created anew), so two names of one file share its content. One image serves
// every process working on the register.
#include <QRandomGenerator>
#include <QString>

namespace powercut {

// Starts the image from the register's files as they are now, all of them on the disk.
void begin(const QString& registerPath);

// Makes this process keep the image while it works on the register: SQLite's default file
// system is wrapped (the files it reads and writes are still the real ones) and the
// program's own creating and syncing of files and folders is watched.
bool install(const QString& registerPath);

// Ends the process (SIGKILL) at its n-th sync (counted from 1): once the sync is in the
// image, or, when torn, while its content is being written there.
void dieAtSync(int n, bool torn);

// How many syncs this process made so far.
int syncs();

// Replaces the register's files by their durable image. A sync the cut interrupted leaves,
// when torn, a random prefix of the pages it was writing. Says what it did to each file.
QString cut(const QString& registerPath, QRandomGenerator& random, bool torn);

} // namespace powercut
