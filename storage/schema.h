#pragma once

#include "core/status.h"

class Database;

namespace schema {

// The schema version this program writes into PRAGMA user_version.
// 2: the trash (kos and the kos_ tables) beside the first version's tables, saved queries
// and trigger, which are unchanged; a first version's register is upgraded when opened.
constexpr int version = 2;

// Creates every table, index, view and trigger in an empty database, in one transaction.
Status create(Database& db);

// Checks that an existing database holds our schema; reads only, never writes.
Status check(Database& db);

// Whether the database is a register without its version: what SQLite's dump and restore
// leave of one (a dump does not carry PRAGMA user_version). Its tables, saved queries and
// trigger must be exactly those create() makes; indexes may be missing. Reads only.
bool isUnversionedRegister(Database& db);

// Whether the database is a whole register of the first version (no trash). Reads only.
bool isFirstVersionRegister(Database& db);

// Makes such a register, or one of the first version, whole in one transaction: the trash
// where it is missing, the missing indexes, and the version.
Status adopt(Database& db);

} // namespace schema
