#pragma once

#include <cstddef>
#include <string>
#include <vector>

class Database;

// The floors of the benchmark: the same rows read through SQLite's C API alone, into plain
// values, and sorted as the lists are.
namespace floorqueries {

struct Rows
{
    std::vector<std::vector<std::string>> values;
};

// The query's rows, every value as text.
Rows step(Database& db, const char* sql, const std::vector<std::string>& params = {});
// Sorts the rows by the column's texts in Czech collation.
void sortBy(Rows& rows, size_t column);
// A list as the floor produces it: the query stepped into plain values, sorted by the names.
void listFloor(Database& db, const char* sql, const std::vector<std::string>& params = {});
// Runs SQL, ignoring its rows.
void exec(Database& db, const char* sql);

} // namespace floorqueries
