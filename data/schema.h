#pragma once

#include "status.h"

class Database;

namespace schema {

// The schema version this program writes into PRAGMA user_version.
constexpr int version = 1;

// Creates every table, index, view and trigger in an empty database, in one transaction.
Status create(Database& db);

// Checks that an existing database holds our schema; reads only, never writes.
Status check(Database& db);

} // namespace schema
