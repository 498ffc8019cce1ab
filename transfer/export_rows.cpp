#include "transfer/export_rows.h"

#include "core/register_tables.h"
#include "storage/database.h"

namespace exportrows {

const QStringList& names()
{
    static const QStringList exportable = {QStringLiteral("cd"), QStringLiteral("lide"), QStringLiteral("vypujcky"),
                                           QStringLiteral("nevracenecd")};
    return exportable;
}

namespace {

const tables::Table* exportable(const QString& table, Status& status)
{
    const tables::Table* declared = tables::find(table);
    if (!declared || !names().contains(table)) {
        status = Status::failure(QStringLiteral("Vyvézt lze jen %1.").arg(names().join(QStringLiteral(", "))));
        return nullptr;
    }
    status = Status::success();
    return declared;
}

} // namespace

Listing select(Database& db, const QString& table, Status& status)
{
    Listing listing;
    const tables::Table* declared = exportable(table, status);
    if (!declared)
        return listing;
    const std::vector<tables::Column>& columns = declared->columns;
    // The main window lists discs and people sorted by their second column (name, first
    // name), in the lists' own order; ties, and the loan lists, in the order of the keys.
    const QString key = columns.front().name;
    const QString order =
        declared->isView ? key : QStringLiteral("ifnull(%1, '') COLLATE ordisk_seznam, %2").arg(columns[1].name, key);
    listing.columns = &columns;
    listing.rows = std::make_unique<Statement>(db, QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, order));
    status = listing.rows->status();
    return listing;
}

std::vector<int> longestValues(Database& db, const QString& table, Status& status)
{
    const tables::Table* declared = exportable(table, status);
    if (!declared)
        return {};
    QStringList lengths;
    for (const tables::Column& column : declared->columns)
        lengths << QStringLiteral("max(length(%1))").arg(column.name);
    Statement longest(db, QStringLiteral("SELECT %1 FROM %2").arg(lengths.join(QStringLiteral(", ")), table));
    std::vector<int> result(declared->columns.size(), 0);
    if (status = longest.status(); !status.ok())
        return result;
    if (longest.step() == Statement::Step::Error) {
        status = longest.failure();
        return result;
    }
    for (size_t c = 0; c < result.size(); ++c)
        result[c] = static_cast<int>(longest.columnInt(static_cast<int>(c)));
    longest.reset();
    return result;
}

} // namespace exportrows
