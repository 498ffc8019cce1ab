#pragma once

#include "transfer/import_rows.h"

namespace workbook {
class Archive;
}

// The readers of a workbook's first sheet, for sheet_import.cpp: each hands the sheet's rows
// to the import one at a time and stops it, with the reason, at the first fault of the file.
namespace sheetreaders {

void readXlsx(const workbook::Archive& archive, importrows::Rows& rows);
void readOds(const workbook::Archive& archive, importrows::Rows& rows);

} // namespace sheetreaders
