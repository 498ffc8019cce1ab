#pragma once

#include "core/status.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The writers of a workbook's one sheet, for sheet_export.cpp: each takes the header and then
// the rows, one at a time, and writes the file at the end.
namespace sheetwriter {

// A cell as the sheet types it.
struct Cell
{
    enum class Kind { Empty, Text, Number, Date } kind = Kind::Empty;
    QString text; // the text, or the number's or date's digits as shown
    double number = 0;
    QDate date;
};

class SheetWriter
{
public:
    virtual ~SheetWriter() = default;
    virtual Status begin(const QString& sheet, const std::vector<double>& widths) = 0;
    virtual Status header(const QStringList& labels) = 0;
    virtual Status row(const std::vector<Cell>& cells) = 0;
    virtual Status finish() = 0;
};

// "Sešit nelze zapsat: why."
Status workbookFailure(const QString& why);

// An .xlsx workbook at the path (libxlsxwriter, its scratch files in the folder scratch).
std::unique_ptr<SheetWriter> xlsx(const QString& path, const QString& scratch);
// An .ods workbook at the path (its sheet's XML written in the folder scratch, then packed).
std::unique_ptr<SheetWriter> ods(const QString& path, const QString& scratch);

} // namespace sheetwriter
