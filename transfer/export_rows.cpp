#include "transfer/export_rows.h"

#include "core/long_loans.h"
#include "core/register_tables.h"
#include "storage/database.h"

namespace exportrows {

const QStringList& names()
{
    static const QStringList exportable = {QStringLiteral("cd"),       QStringLiteral("lide"),
                                           QStringLiteral("vypujcky"), QStringLiteral("nevracenecd"),
                                           QStringLiteral("dlouho"),   QStringLiteral("nikdy")};
    return exportable;
}

namespace {

const QString longLoans = QStringLiteral("dlouho");
const QString neverLent = QStringLiteral("nikdy");

const tables::Table* exportable(const QString& table, Status& status)
{
    static const tables::Table lentTooLong{longLoans, true, longloans::columns(), QString()};
    // The discs nobody has borrowed: the discs' own columns.
    static const tables::Table notLent{neverLent, true, tables::find(QStringLiteral("cd"))->columns, QString()};
    const tables::Table* declared = table == longLoans   ? &lentTooLong
                                    : table == neverLent ? &notLent
                                                         : tables::find(table);
    if (!declared || !names().contains(table)) {
        status = Status::failure(QStringLiteral("Vyvézt lze jen %1.").arg(names().join(QStringLiteral(", "))));
        return nullptr;
    }
    status = Status::success();
    return declared;
}

// The rows of the list, as SQL and its parameters.
QString selected(const tables::Table& declared, const Choice& choice, QVariantList& params)
{
    if (declared.name == longLoans) {
        params = longloans::params(choice.days, choice.today);
        return longloans::sql();
    }
    // As the lists order discs; a loan counts when its person is in the register, as the
    // overview counts the discs never lent.
    if (declared.name == neverLent)
        return QStringLiteral(
                   "SELECT d.* FROM cd AS d WHERE NOT EXISTS (SELECT 1 FROM pujcovani AS p JOIN lide AS l ON "
                   "l.idcloveka = p.idcloveka WHERE p.idcd = d.idcd) ORDER BY substr(ifnull(d.nazev, ''), 1, "
                   "%1) COLLATE ordisk_seznam, d.idcd")
            .arg(sortedChars);
    // The main window lists discs and people sorted by their second column (name, first
    // name), in the lists' own order; ties, and the loan lists, in the order of the keys.
    const std::vector<tables::Column>& columns = declared.columns;
    const QString key = columns.front().name;
    if (declared.isView)
        return QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(declared.name, key);
    // Only the keys are sorted, by the names' first characters, and the rows read by their keys
    // in that order: SQLite's sort holds what it sorts, and whole rows of names of tens of
    // thousands of letters took it hundreds of megabytes. Names alike in all those characters
    // keep the order of their keys.
    // An address list goes by surname, then first name.
    const QString byName = QStringLiteral("substr(ifnull(%1, ''), 1, %2) COLLATE ordisk_seznam, ");
    QString order = byName.arg(columns[1].name).arg(sortedChars);
    if (choice.bySurname && declared.name == QLatin1String("lide"))
        order = byName.arg(QStringLiteral("prijmeni")).arg(sortedChars) + order;
    return QStringLiteral("SELECT t.* FROM (SELECT %1 FROM %2 ORDER BY %3%1 LIMIT -1) AS o JOIN %2 AS t ON t.%1 = o.%1")
        .arg(key, declared.name, order);
}

} // namespace

Listing select(Database& db, const QString& table, Status& status, const Choice& choice)
{
    Listing listing;
    const tables::Table* declared = exportable(table, status);
    if (!declared)
        return listing;
    QVariantList params;
    listing.columns = &declared->columns;
    listing.rows = std::make_unique<Statement>(db, selected(*declared, choice, params));
    status = listing.rows->status();
    if (status.ok())
        status = listing.rows->bindAll(params);
    return listing;
}

qint64 count(Database& db, const QString& table, Status& status, const Choice& choice)
{
    const tables::Table* declared = exportable(table, status);
    if (!declared)
        return 0;
    QVariantList params;
    const QString rows = selected(*declared, choice, params);
    qint64 result = 0;
    status = db.queryInt(QStringLiteral("SELECT count(*) FROM (%1)").arg(rows), result, params);
    return result;
}

std::vector<int> longestValues(Database& db, const QString& table, Status& status, const Choice& choice)
{
    const tables::Table* declared = exportable(table, status);
    if (!declared)
        return {};
    QStringList lengths;
    for (const tables::Column& column : declared->columns)
        lengths << QStringLiteral("max(length(%1))").arg(column.name);
    QVariantList params;
    const QString rows = selected(*declared, choice, params);
    Statement longest(db, QStringLiteral("SELECT %1 FROM (%2)").arg(lengths.join(QStringLiteral(", ")), rows));
    std::vector<int> result(declared->columns.size(), 0);
    if (status = longest.status(); !status.ok())
        return result;
    if (status = longest.bindAll(params); !status.ok())
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
