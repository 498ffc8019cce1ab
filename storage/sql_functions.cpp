#include "storage/sql_functions.h"

#include "core/list_order.h"

#include <sqlite3.h>

#include <QString>

namespace sqlfunctions {
namespace {

QString argText(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QString::fromUtf8(text, sqlite3_value_bytes(value));
}

// ordisk_contains(text, part): whether text holds part anywhere, ignoring letter
// case for every alphabet (SQLite's LIKE folds ASCII only, so "č" would miss "Č"),
// as the kept rows' search decides it. No wildcards: every character of part is
// matched as itself. NULL text yields NULL.
void containsFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        sqlite3_result_null(context);
    else
        sqlite3_result_int(context, argText(argv[0]).contains(argText(argv[1]), Qt::CaseInsensitive) ? 1 : 0);
}

// ordisk_den(value): the value as a day ("2026-12-09") where it is one as the program reads
// days (core/field_value.h): stored as text or bytes (never a number), four digits, "-",
// two, "-", two, a day of the calendar from the year 1 on; else NULL. The same as SQLite's
// date(julianday(x)) IS x, checked without a date's arithmetic (the overview checks some
// hundred thousand loans' days several times over).
void dayFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    const int type = sqlite3_value_type(argv[0]);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if ((type != SQLITE_TEXT && type != SQLITE_BLOB) || !text || sqlite3_value_bytes(argv[0]) != 10) {
        sqlite3_result_null(context);
        return;
    }
    int parts[3] = {0, 0, 0};
    int part = 0;
    for (int i = 0; i < 10; ++i) {
        const char c = text[i];
        if (i == 4 || i == 7) {
            if (c != '-') {
                sqlite3_result_null(context);
                return;
            }
            ++part;
        } else if (c >= '0' && c <= '9') {
            parts[part] = parts[part] * 10 + (c - '0');
        } else {
            sqlite3_result_null(context);
            return;
        }
    }
    const auto [year, month, day] = parts;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > days[month - 1] + (month == 2 && leap ? 1 : 0)) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_text(context, text, 10, SQLITE_TRANSIENT);
}

// The collation ordisk_seznam: the order of the lists (core/list_order.h), numbers first,
// then text by Czech collation, so that SQLite lists rows as the windows do.
int listCollation(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return listorder::compare(QStringView(static_cast<const char16_t*>(a), lengthA / 2),
                              QStringView(static_cast<const char16_t*>(b), lengthB / 2));
}

} // namespace

bool add(sqlite3* db)
{
    return sqlite3_create_function_v2(db, "ordisk_contains", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      containsFunction, nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(db, "ordisk_den", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, dayFunction,
                                      nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_collation_v2(db, "ordisk_seznam", SQLITE_UTF16_ALIGNED, nullptr, listCollation, nullptr) ==
               SQLITE_OK;
}

} // namespace sqlfunctions
