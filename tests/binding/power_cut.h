#pragma once

// What a disk holds after a power cut, for the crash test. Beside a register's real files
// a folder keeps their durable image: each file's content as it was at its last sync, and
// which files the directory held at its last sync. A file created or deleted since then
// keeps its durable state: a deleted journal whose directory was not synced is still there
// after a cut. One image serves every process working on the register.
#include <QRandomGenerator>
#include <QString>

namespace powercut {

// Starts the image from the register's files as they are now, all of them on the disk.
void begin(const QString& registerPath);

// Makes SQLite of this process keep the image while it works on the register: its default
// file system is wrapped, so the files it reads and writes are still the real ones.
bool install(const QString& registerPath);

// Replaces the register's files by their durable image. A sync the cut interrupted leaves,
// when torn, a random prefix of the pages it was writing. Says what it did to each file.
QString cut(const QString& registerPath, QRandomGenerator& random, bool torn);

} // namespace powercut
