#pragma once

#include "core/status.h"

#include <QString>

#include <functional>

class Database;

// Where a copy of the register may go, and whether one is needed at all: the checks made
// before a copy writes anything.
namespace backups {

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
