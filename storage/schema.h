#pragma once

#include "core/status.h"

class Database;

namespace schema {

// The schema version this program writes into PRAGMA user_version.
constexpr int version = 1;

// Creates every table, index, view and trigger in an empty database, in one transaction.
Status create(Database& db);

// Checks that an existing database holds our schema; reads only, never writes.
Status check(Database& db);

// Whether the database is a register without its version: what SQLite's dump and restore
// leave of one (a dump does not carry PRAGMA user_version). Its tables, saved queries and
// trigger must be exactly those create() makes; indexes may be missing. Reads only.
bool isUnversionedRegister(Database& db);

// Makes such a register whole, in one transaction: the missing indexes, and the version.
Status adopt(Database& db);

} // namespace schema
