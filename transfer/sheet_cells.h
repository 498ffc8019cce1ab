#pragma once

#include "transfer/import_rows.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// What the .xlsx and .ods readers share: the limits of a spreadsheet's sheet, the cells'
// values by type as the import reads them, and a row collected cell by cell.
namespace sheetcells {

// The most rows and columns a sheet of Calc or Excel has: a file claiming more is not one.
constexpr qint64 mostRows = 1 << 20;
constexpr qsizetype mostColumns = 1 << 14;
// The most characters a cell of Calc or Excel holds.
constexpr qsizetype mostValue = 32767;

// "Sešit je poškozený: why." with what to do about it.
QString damaged(const QString& why);
// A workbook whose part is encrypted (a password), with what to do about it.
QString encrypted(const QString& part);

// The refusal of a value longer than a cell holds, in cell C12 (row 0: the file's shared texts).
QString tooLong(qsizetype column, qint64 row);

// "C" for column 2, "AA" for column 26, as a spreadsheet names its columns.
QString columnName(qsizetype column);

// A number cell as its text: whole numbers with all their digits (a phone kept as a
// number), others as a spreadsheet shows them, with a decimal comma; none when the value
// is no finite number.
std::optional<QString> numberText(QStringView value);

// A day as the import reads it ("8.12.2026"); none when it is not a day of years 1 to 9999.
std::optional<QString> dateText(qint64 year, int month, int day);

// A boolean cell: 1 or true is Ano, 0 or false is Ne; anything else stays as written, for
// the field's own check to tell.
QString booleanText(QStringView value);

// A row read from a sheet: its cells by column, handed on when it holds anything.
struct SheetRows
{
    importrows::Rows& rows;
    std::vector<QString> fields;
    qint64 row = 0;

    // False (and the file refused) when the value is longer than a cell holds.
    bool put(qsizetype column, const QString& value);
    void end();
};

} // namespace sheetcells
