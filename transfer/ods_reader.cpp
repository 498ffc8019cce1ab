#include "transfer/sheet_cells.h"
#include "transfer/sheet_readers.h"
#include "transfer/zip_part.h"

#include <QDate>

using namespace sheetcells;
using workbook::Archive;
using workbook::Part;

namespace sheetreaders {
namespace {

const QString tableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString officeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString textNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

// The text of a cell: its paragraphs, one a line, with their spaces, tabs and line breaks;
// notes attached to the cell are not its text. Reading stops at the first character beyond
// what a cell holds (then the text is longer than mostValue).
QString cellText(Part& part)
{
    QString text;
    bool firstParagraph = true;
    int depth = 1;
    while (depth > 0 && text.size() <= mostValue && part.next()) {
        if (part.xml.isStartElement()) {
            const QStringView name = part.xml.name();
            if (part.xml.namespaceUri() == officeNs && name == QLatin1String("annotation")) {
                part.skip();
                continue;
            }
            ++depth;
            if (name == QLatin1String("p") || name == QLatin1String("h")) {
                if (!firstParagraph)
                    text += QLatin1Char('\n');
                firstParagraph = false;
            } else if (name == QLatin1String("s")) {
                const qint64 count = part.xml.attributes().value(textNs, QLatin1String("c")).toLongLong();
                text += QString(std::clamp<qint64>(count, 1, mostValue + 1 - text.size()), QLatin1Char(' '));
            } else if (name == QLatin1String("tab")) {
                text += QLatin1Char('\t');
            } else if (name == QLatin1String("line-break")) {
                text += QLatin1Char('\n');
            }
        } else if (part.xml.isEndElement()) {
            --depth;
        } else if (part.xml.isCharacters() && depth > 1) {
            text += part.xml.text().left(mostValue + 1 - text.size());
        }
    }
    return text;
}

// A cell's value by its type: numbers as numbers, days as days, yes/no as Ano/Ne, others
// as their text; none when a typed value is no value of its type.
std::optional<QString> typedValue(const QXmlStreamAttributes& a, QStringView type)
{
    if (type == QLatin1String("float") || type == QLatin1String("percentage") || type == QLatin1String("currency"))
        return numberText(a.value(officeNs, QLatin1String("value")));
    if (type == QLatin1String("date")) {
        // "2026-12-08" or "2026-12-08T10:00:00"; a year of more digits or a sign is no day here.
        const QStringView day = a.value(officeNs, QLatin1String("date-value")).left(10);
        const QDate date = QDate::fromString(day.toString(), Qt::ISODate);
        return date.isValid() ? dateText(date.year(), date.month(), date.day()) : std::nullopt;
    }
    if (type == QLatin1String("boolean"))
        return booleanText(a.value(officeNs, QLatin1String("boolean-value")));
    return QString();
}

} // namespace

void readOds(const Archive& archive, importrows::Rows& rows)
{
    Part part(archive, QStringLiteral("content.xml"));
    if (!part.isOpen())
        return rows.stop(0, damaged(QStringLiteral("chybí v něm část content.xml")));
    SheetRows sheetRows{rows, {}};
    qsizetype column = 0;
    int tables = 0;
    qint64 repeatRow = 1;
    const auto tooManyRows = [&rows] {
        rows.stop(0, QStringLiteral("Sešit má víc řádků, než unese list tabulkového procesoru (1 048 576)."));
    };
    while (!rows.stopped() && part.next()) {
        const bool inTable = tables == 1;
        if (part.xml.isEndElement() && part.xml.namespaceUri() == tableNs) {
            if (part.xml.name() == QLatin1String("table"))
                break; // the first sheet only
            if (inTable && part.xml.name() == QLatin1String("table-row")) {
                // A row repeated: an empty one only moves the numbering on; one with values
                // is handed on as many times.
                if (sheetRows.fields.empty() || repeatRow == 1) {
                    sheetRows.row += repeatRow;
                    if (sheetRows.row > mostRows)
                        return tooManyRows();
                    sheetRows.end();
                    continue;
                }
                const std::vector<QString> fields = sheetRows.fields;
                for (qint64 i = 0; i < repeatRow && !rows.stopped(); ++i) {
                    if (++sheetRows.row > mostRows)
                        return tooManyRows();
                    sheetRows.fields = fields;
                    sheetRows.end();
                }
            }
            continue;
        }
        if (!part.xml.isStartElement() || part.xml.namespaceUri() != tableNs)
            continue;
        const QStringView name = part.xml.name();
        const QXmlStreamAttributes a = part.xml.attributes();
        if (name == QLatin1String("table")) {
            ++tables;
        } else if (inTable && name == QLatin1String("table-row")) {
            repeatRow = std::clamp<qint64>(a.value(tableNs, QLatin1String("number-rows-repeated")).toLongLong(), 1,
                                           mostRows + 1);
            column = 0;
        } else if (inTable && (name == QLatin1String("table-cell") || name == QLatin1String("covered-table-cell"))) {
            const qsizetype repeat = std::clamp<qsizetype>(
                a.value(tableNs, QLatin1String("number-columns-repeated")).toLongLong(), 1, mostColumns);
            const QStringView type = a.value(officeNs, QLatin1String("value-type"));
            const std::optional<QString> typed = typedValue(a, type);
            const qint64 row = sheetRows.row + 1;
            if (!typed)
                return rows.stop(row, damaged(QStringLiteral("buňka %1%2 nemá platnou hodnotu typu %3")
                                                  .arg(columnName(column), QString::number(row), type.toString())));
            const QString text = cellText(part);
            if (part.failed())
                break; // told below, as a fault of the part
            const QString value = typed->isEmpty() || type == QLatin1String("string") ? text : *typed;
            const qint64 before = sheetRows.row;
            sheetRows.row = row; // a refusal names the row the cell is in
            for (qsizetype i = 0; i < repeat && column + i < mostColumns; ++i)
                if (!sheetRows.put(column + i, value))
                    return;
            sheetRows.row = before;
            column = std::min(column + repeat, mostColumns);
        }
    }
    if (part.failed())
        rows.stop(sheetRows.row, damaged(part.problem()));
    else if (tables == 0)
        rows.stop(0, damaged(QStringLiteral("nemá žádný list")));
    else if (!rows.stopped() && !part.drain())
        rows.stop(0, damaged(part.problem()));
}

} // namespace sheetreaders
