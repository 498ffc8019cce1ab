#pragma once

#include "core/status.h"

#include <QString>

#include <functional>

class Database;

// Where a copy of the register may go, and whether one is needed at all: the checks made
// before a copy writes anything.
namespace backups {

// Why a copy of the register (or an exported list, a PDF: what, in the accusative) must not
// be written to the path: it is the register itself (also through a symbolic link), its
// journal, or another file the program has open, told by device and inode rather than by
// name. Empty when the path may take it.
QString refusedTarget(const QString& registerPath, const QString& path, const QString& what = QStringLiteral("zálohu"));

// Whether two paths name one file (by device and inode, through links), or, where it is not
// there yet, one name in one folder.
bool isSameFile(const QString& a, const QString& b);

// The folder of copies, made when missing (the owner's only, its name synced). One that is
// there is used only when it is a folder itself, not a link to one nor a file: then it is
// made the owner's only where it is the owner's; anything else is refused, naming it.
Status ownFolder(const QString& folder);

// Whether the copy holds what the register (open on db) holds: the same version, schema and
// rows in every table, read through both a thousand rows at a time (the register's read lock
// let go between them) and nothing written. False as soon as a difference is found, when
// the copy does not open, or when stop() says so.
bool holdsTheCollection(Database& db, const QString& copy, const std::function<bool()>& stop = nullptr);

} // namespace backups
