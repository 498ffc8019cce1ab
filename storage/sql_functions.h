#pragma once

struct sqlite3;

// The program's own SQL, added to every connection it opens (never named in the register's
// schema, so that SQLite's own tools read a register without them):
//   ordisk_contains(text, part)  whether text holds part, ignoring letter case
//   ordisk_den(value)            the value where it is a day as the program reads days
//   COLLATE ordisk_seznam        the lists' order
namespace sqlfunctions {

// False when SQLite refused one of them (the connection's error says why).
bool add(sqlite3* db);

} // namespace sqlfunctions
