#include "transfer/sheet_import.h"

#include "transfer/csv_import.h"
#include "transfer/file_kind.h"
#include "transfer/sheet_cells.h"
#include "transfer/sheet_readers.h"
#include "transfer/zip_part.h"

#include <QIODevice>

#include <memory>

namespace sheetimport {
namespace {

const QString odsType = QStringLiteral("application/vnd.oasis.opendocument.spreadsheet");
const QString saveAs = QStringLiteral("uložte list jako .xlsx, .ods nebo CSV");

importrows::Outcome read(Database* db, const QString& table, QIODevice& file, const importrows::Options& options)
{
    const filekind::Kind kind = filekind::of(file);
    if (kind == filekind::Kind::Text)
        return csvimport::run(db, table, file, options);
    importrows::Outcome refused;
    const std::unique_ptr<importrows::Rows> rows = importrows::Rows::make(db, table, options, refused);
    if (!rows)
        return refused;
    if (kind == filekind::Kind::OldExcel) {
        importrows::refuse(refused, 0, QStringLiteral("Soubor je sešit starého Excelu (.xls); %1.").arg(saveAs));
        return refused;
    }
    workbook::Archive archive(file);
    archive.stopWhen(options.cancelled);
    if (!archive.isOpen()) {
        importrows::refuse(refused, 0, sheetcells::damaged(QStringLiteral("jeho archiv ZIP je neúplný")));
        return refused;
    }
    if (const QString problem = archive.problem(); !problem.isEmpty()) {
        importrows::refuse(refused, 0, problem);
        return refused;
    }
    const bool ods = archive.has("mimetype") && QString::fromLatin1(archive.head("mimetype", 64)).trimmed() == odsType;
    const bool xlsx = archive.has("xl/workbook.xml");
    if (!ods && !xlsx) {
        importrows::refuse(refused, 0,
                           QStringLiteral("Soubor je archiv ZIP, ale ne sešit .xlsx ani .ods (třeba sešit Numbers "
                                          "nebo dokument); %1.")
                               .arg(saveAs));
        return refused;
    }
    if (!rows->begin())
        return rows->finish();
    if (ods)
        sheetreaders::readOds(archive, *rows);
    else
        sheetreaders::readXlsx(archive, *rows);
    return rows->finish();
}

} // namespace

importrows::Outcome run(Database* db, const QString& table, QIODevice& file, const importrows::Options& options)
{
    importrows::Outcome outcome = read(db, table, file, options);
    // A reading that stopped once the user cancelled it is the cancel, however the reader
    // ended: a workbook's part cut off, a read of the file refused, the rows' own check.
    // A cancel that came after the rows were stored leaves them stored.
    const bool stopped = outcome.refused > 0 || !outcome.status.ok();
    if (stopped && !outcome.status.isDamage() && options.cancelled && options.cancelled()) {
        outcome = importrows::Outcome();
        outcome.status = Status::cancelled(importrows::cancelledText());
    }
    return outcome;
}

} // namespace sheetimport
