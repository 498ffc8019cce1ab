#include "transfer/sheet_import.h"

#include "transfer/csv_import.h"
#include "transfer/zip_part.h"

#include <QDate>
#include <QHash>
#include <QIODevice>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <cmath>
#include <memory>
#include <vector>

namespace sheetimport {
namespace {

// The most rows and columns a sheet of Calc or Excel has: a file claiming more is not one.
constexpr qint64 mostRows = 1 << 20;
constexpr qsizetype mostColumns = 1 << 14;
// The most a workbook's shared texts may take when unpacked (they are held while reading).
constexpr qint64 mostSharedTexts = 64 << 20;

const QString odsType = QStringLiteral("application/vnd.oasis.opendocument.spreadsheet");
const QString tableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString officeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString textNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

QString unreadable()
{
    return QStringLiteral("Sešit je poškozený nebo neúplný; otevřete ho v tabulkovém procesoru a uložte znovu.");
}

// ------------------------------------------------------------------------- values by type

// A number cell as its text: whole numbers with all their digits (a phone kept as a number),
// others as a spreadsheet shows them, with a decimal comma.
QString numberText(const QString& value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value;
    if (std::floor(number) == number && std::fabs(number) < 1e15)
        return QString::number(static_cast<qint64>(number));
    return QString::number(number, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString dateText(const QDate& day)
{
    return day.isValid() ? day.toString(QStringLiteral("d.M.yyyy")) : QString();
}

QString booleanText(bool yes)
{
    return yes ? QStringLiteral("Ano") : QStringLiteral("Ne");
}

// A row read from a sheet: its cells by column, handed on when it holds anything.
struct SheetRows
{
    importrows::Rows& rows;
    std::vector<QString> fields;

    void put(qsizetype column, const QString& value)
    {
        if (value.isEmpty() || column >= mostColumns)
            return;
        if (static_cast<size_t>(column) >= fields.size())
            fields.resize(static_cast<size_t>(column) + 1);
        fields[static_cast<size_t>(column)] = value;
    }
    void end(qint64 row)
    {
        if (!fields.empty())
            rows.record(fields, row);
        fields.clear();
    }
};

// ------------------------------------------------------------------------- .xlsx

// "B12" -> column 1.
qsizetype columnOf(QStringView reference)
{
    qsizetype column = 0;
    qsizetype letters = 0;
    for (const QChar c : reference) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        column = column * 26 + (c.unicode() - 'A' + 1);
        if (++letters > 3)
            return mostColumns;
    }
    return letters ? column - 1 : -1;
}

// Excel writes a character XML cannot hold as _xHHHH_ (and a literal "_x" as _x005F_x).
QString unescaped(QString text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString result;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = escape.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        result += QStringView(text).mid(from, m.capturedStart() - from);
        result += QChar(static_cast<char16_t>(m.captured(1).toUShort(nullptr, 16)));
        from = m.capturedEnd();
    }
    return result + text.mid(from);
}

// The text of a shared or inline string: its runs' texts, phonetic hints left out.
QString stringItem(Part& part)
{
    QString text;
    int depth = 1;
    while (depth > 0 && part.next()) {
        if (part.xml.isStartElement()) {
            if (part.xml.name() == QLatin1String("t"))
                text += part.text();
            else if (part.xml.name() == QLatin1String("rPh"))
                part.skip();
            else
                ++depth;
        } else if (part.xml.isEndElement()) {
            --depth;
        }
    }
    return unescaped(text);
}

// The first sheet's part: the workbook's first <sheet>, through the workbook's relations.
QString firstSheetPart(const Archive& archive, QString& problem)
{
    QString relation;
    {
        Part workbook(archive, QStringLiteral("xl/workbook.xml"));
        while (workbook.isOpen() && workbook.next())
            if (workbook.xml.isStartElement() && workbook.xml.name() == QLatin1String("sheet")) {
                for (const QXmlStreamAttribute& a : workbook.xml.attributes())
                    if (a.name() == QLatin1String("id"))
                        relation = a.value().toString();
                break;
            }
    }
    Part relations(archive, QStringLiteral("xl/_rels/workbook.xml.rels"));
    while (!relation.isEmpty() && relations.isOpen() && relations.next())
        if (relations.xml.isStartElement() && relations.xml.name() == QLatin1String("Relationship") &&
            relations.xml.attributes().value(QLatin1String("Id")) == relation) {
            const QString target = relations.xml.attributes().value(QLatin1String("Target")).toString();
            return target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
        }
    problem = unreadable();
    return QString();
}

// Which cell styles show a date: the built-in date formats and those whose code has days,
// months or years in it (outside quoted text and [colours]).
std::vector<bool> dateStyles(const Archive& archive)
{
    std::vector<bool> dated;
    QHash<int, bool> customIsDate;
    Part styles(archive, QStringLiteral("xl/styles.xml"));
    bool inCellFormats = false;
    while (styles.isOpen() && styles.next()) {
        if (styles.xml.isEndElement() && styles.xml.name() == QLatin1String("cellXfs"))
            inCellFormats = false;
        if (!styles.xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = styles.xml.attributes();
        if (styles.xml.name() == QLatin1String("numFmt")) {
            QString code = a.value(QLatin1String("formatCode")).toString().toLower();
            code.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"|\\[[^\\]]*\\]")));
            customIsDate.insert(a.value(QLatin1String("numFmtId")).toInt(),
                                code.contains(QLatin1Char('d')) || code.contains(QLatin1Char('y')) ||
                                    (code.contains(QLatin1Char('m')) && !code.contains(QLatin1Char('h'))));
        } else if (styles.xml.name() == QLatin1String("cellXfs")) {
            inCellFormats = true;
        } else if (inCellFormats && styles.xml.name() == QLatin1String("xf")) {
            const int id = a.value(QLatin1String("numFmtId")).toInt();
            dated.push_back((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58) ||
                            customIsDate.value(id, false));
        }
    }
    return dated;
}

void readXlsx(const Archive& archive, importrows::Rows& rows)
{
    QString problem;
    const QString sheet = firstSheetPart(archive, problem);
    if (!problem.isEmpty())
        return rows.stop(0, problem);
    std::vector<QString> shared;
    if (archive.has("xl/sharedStrings.xml")) {
        if (archive.sizeOf("xl/sharedStrings.xml") > mostSharedTexts)
            return rows.stop(0, QStringLiteral("Sešit má víc textu, než lze najednou přečíst (přes %1 MB); uložte "
                                               "list jako CSV.")
                                    .arg(mostSharedTexts >> 20));
        Part strings(archive, QStringLiteral("xl/sharedStrings.xml"));
        while (strings.isOpen() && strings.next())
            if (strings.xml.isStartElement() && strings.xml.name() == QLatin1String("si"))
                shared.push_back(stringItem(strings));
        if (strings.failed())
            return rows.stop(0, unreadable());
    }
    const std::vector<bool> dated = dateStyles(archive);
    Part part(archive, sheet);
    if (!part.isOpen())
        return rows.stop(0, unreadable());
    SheetRows sheetRows{rows, {}};
    qint64 row = 0;
    qsizetype column = -1;
    while (!rows.stopped() && part.next()) {
        if (part.xml.isEndElement() && part.xml.name() == QLatin1String("row")) {
            sheetRows.end(row);
            continue;
        }
        if (!part.xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = part.xml.attributes();
        if (part.xml.name() == QLatin1String("row")) {
            const qint64 numbered = a.value(QLatin1String("r")).toLongLong();
            row = numbered > row ? numbered : row + 1;
            column = -1;
            if (row > mostRows)
                return rows.stop(0, unreadable());
            continue;
        }
        if (part.xml.name() != QLatin1String("c"))
            continue;
        const qsizetype named = columnOf(a.value(QLatin1String("r")));
        column = named >= 0 ? named : column + 1;
        const QString type = a.value(QLatin1String("t")).toString();
        const auto style = static_cast<size_t>(a.value(QLatin1String("s")).toInt());
        QString value;
        bool hasValue = false;
        QString inlineText;
        int depth = 1;
        while (depth > 0 && part.next()) {
            if (part.xml.isStartElement() && part.xml.name() == QLatin1String("v")) {
                value = part.text();
                hasValue = true;
            } else if (part.xml.isStartElement() && part.xml.name() == QLatin1String("is")) {
                inlineText = stringItem(part);
            } else if (part.xml.isStartElement()) {
                part.skip(); // a formula: its result is the cell's value
            } else if (part.xml.isEndElement()) {
                --depth;
            }
        }
        if (type == QLatin1String("inlineStr")) {
            sheetRows.put(column, inlineText);
        } else if (!hasValue || type == QLatin1String("e")) {
            continue;
        } else if (type == QLatin1String("s")) {
            bool ok = false;
            const auto index = static_cast<size_t>(value.toULongLong(&ok));
            if (!ok || index >= shared.size())
                return rows.stop(row, unreadable());
            sheetRows.put(column, shared[index]);
        } else if (type == QLatin1String("str")) {
            sheetRows.put(column, unescaped(value));
        } else if (type == QLatin1String("b")) {
            sheetRows.put(column, booleanText(value.trimmed() == QLatin1String("1")));
        } else if (style < dated.size() && dated[style]) {
            bool ok = false;
            const double serial = value.toDouble(&ok);
            // Day 0 is 30 December 1899 in Excel's count (it counts a 29 February 1900 that was not).
            sheetRows.put(column,
                          ok ? dateText(QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(serial)))) : value);
        } else {
            sheetRows.put(column, numberText(value));
        }
    }
    if (part.failed())
        rows.stop(row, unreadable());
}

// ------------------------------------------------------------------------- .ods

// The text of a cell: its paragraphs, one a line, with their spaces, tabs and line breaks;
// notes attached to the cell are not its text.
QString cellText(Part& part)
{
    QString text;
    bool firstParagraph = true;
    int depth = 1;
    while (depth > 0 && part.next()) {
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
                const int count = part.xml.attributes().value(textNs, QLatin1String("c")).toInt();
                text += QString(std::clamp(count, 1, 1 << 16), QLatin1Char(' '));
            } else if (name == QLatin1String("tab")) {
                text += QLatin1Char('\t');
            } else if (name == QLatin1String("line-break")) {
                text += QLatin1Char('\n');
            }
        } else if (part.xml.isEndElement()) {
            --depth;
        } else if (part.xml.isCharacters() && depth > 1) {
            text += part.xml.text();
        }
    }
    return text;
}

void readOds(const Archive& archive, importrows::Rows& rows)
{
    Part part(archive, QStringLiteral("content.xml"));
    if (!part.isOpen())
        return rows.stop(0, unreadable());
    SheetRows sheetRows{rows, {}};
    qint64 row = 0;
    qsizetype column = 0;
    int tables = 0;
    qint64 repeatRow = 1;
    while (!rows.stopped() && part.next()) {
        const bool inTable = tables == 1;
        if (part.xml.isEndElement() && part.xml.namespaceUri() == tableNs) {
            if (part.xml.name() == QLatin1String("table"))
                break; // the first sheet only
            if (inTable && part.xml.name() == QLatin1String("table-row")) {
                // A row repeated: an empty one only moves the numbering on; one with values
                // is handed on as many times.
                if (sheetRows.fields.empty() || repeatRow == 1) {
                    row += repeatRow;
                    if (row > mostRows)
                        return rows.stop(0, unreadable());
                    sheetRows.end(row);
                    continue;
                }
                const std::vector<QString> fields = sheetRows.fields;
                for (qint64 i = 0; i < repeatRow && !rows.stopped(); ++i) {
                    if (++row > mostRows)
                        return rows.stop(0, unreadable());
                    sheetRows.fields = fields;
                    sheetRows.end(row);
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
            repeatRow = std::max<qint64>(1, a.value(tableNs, QLatin1String("number-rows-repeated")).toLongLong());
            column = 0;
        } else if (inTable && (name == QLatin1String("table-cell") || name == QLatin1String("covered-table-cell"))) {
            const qsizetype repeat = std::clamp<qsizetype>(
                a.value(tableNs, QLatin1String("number-columns-repeated")).toLongLong(), 1, mostColumns);
            const QStringView type = a.value(officeNs, QLatin1String("value-type"));
            QString value;
            if (type == QLatin1String("float") || type == QLatin1String("percentage") ||
                type == QLatin1String("currency"))
                value = numberText(a.value(officeNs, QLatin1String("value")).toString());
            else if (type == QLatin1String("date"))
                value = dateText(
                    QDate::fromString(a.value(officeNs, QLatin1String("date-value")).left(10).toString(), Qt::ISODate));
            else if (type == QLatin1String("boolean"))
                value = booleanText(a.value(officeNs, QLatin1String("boolean-value")) == QLatin1String("true"));
            const QString text = cellText(part);
            if (type.isEmpty() || type == QLatin1String("string") || type == QLatin1String("time") || value.isEmpty())
                value = text;
            if (!value.isEmpty())
                for (qsizetype i = 0; i < repeat; ++i)
                    sheetRows.put(column + i, value);
            column = std::min(column + repeat, mostColumns);
        }
    }
    if (part.failed())
        rows.stop(row, unreadable());
    else if (tables == 0)
        rows.stop(0, unreadable());
}

// What the file's bytes say it is.
enum class Kind { Text, Zip, OldExcel };

Kind kindOf(QIODevice& file)
{
    const QByteArray head = file.peek(8);
    if (head.startsWith("PK\x03\x04"))
        return Kind::Zip;
    if (head.startsWith("\xD0\xCF\x11\xE0"))
        return Kind::OldExcel;
    return Kind::Text;
}

const QString saveAs = QStringLiteral("uložte list jako .xlsx, .ods nebo CSV");

} // namespace

importrows::Outcome run(Database* db, const QString& table, QIODevice& file, const importrows::Options& options)
{
    const Kind kind = kindOf(file);
    if (kind == Kind::Text)
        return csvimport::run(db, table, file, options);
    importrows::Outcome refused;
    const std::unique_ptr<importrows::Rows> rows = importrows::Rows::make(db, table, options, refused);
    if (!rows)
        return refused;
    if (kind == Kind::OldExcel) {
        importrows::refuse(refused, 0, QStringLiteral("Soubor je sešit starého Excelu (.xls); %1.").arg(saveAs));
        return refused;
    }
    Archive archive(file);
    archive.stopWhen(options.cancelled);
    bool ods = false;
    if (archive.isOpen() && archive.has("mimetype"))
        ods = QString::fromLatin1(archive.head("mimetype", 64)).trimmed() == odsType;
    const bool xlsx = archive.isOpen() && archive.has("xl/workbook.xml");
    if (!archive.isOpen()) {
        importrows::refuse(refused, 0, unreadable());
        return refused;
    }
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
        readOds(archive, *rows);
    else
        readXlsx(archive, *rows);
    return rows->finish();
}

} // namespace sheetimport
