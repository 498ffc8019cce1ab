#include "bench/floor_queries.h"

#include "storage/database.h"

#include <QCollator>
#include <QLocale>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>

namespace floorqueries {

Rows step(Database& db, const char* sql, const std::vector<std::string>& params)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.handle(), sql, -1, &stmt, nullptr);
    for (size_t i = 0; i < params.size(); ++i)
        sqlite3_bind_text(stmt, static_cast<int>(i + 1), params[i].c_str(), -1, SQLITE_TRANSIENT);
    Rows rows;
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::vector<std::string> row;
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            row.emplace_back(text ? text : "");
        }
        rows.values.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return rows;
}

void sortBy(Rows& rows, size_t column)
{
    QCollator collator{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
    std::vector<std::pair<QCollatorSortKey, size_t>> keys;
    keys.reserve(rows.values.size());
    for (size_t i = 0; i < rows.values.size(); ++i)
        keys.emplace_back(collator.sortKey(QString::fromStdString(rows.values[i][column])), i);
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    benchmark::DoNotOptimize(keys.data());
}

void listFloor(Database& db, const char* sql, const std::vector<std::string>& params)
{
    Rows rows = step(db, sql, params);
    sortBy(rows, 1);
}

void exec(Database& db, const char* sql)
{
    sqlite3_exec(db.handle(), sql, nullptr, nullptr, nullptr);
}

} // namespace floorqueries
