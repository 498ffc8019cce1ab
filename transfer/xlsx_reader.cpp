#include "transfer/sheet_cells.h"
#include "transfer/sheet_readers.h"
#include "transfer/zip_part.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>

#include <cmath>

using namespace sheetcells;
using workbook::Archive;
using workbook::Part;

namespace sheetreaders {
namespace {

// The most a workbook's shared texts may hold in memory (they are held while the sheet is
// read): their characters and eight bytes a text.
constexpr qint64 mostSharedBytes = 32 << 20;

// "B12" -> column 1; mostColumns for a column beyond the sheet's last, -1 for no letters.
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
    return letters ? std::min(column - 1, mostColumns) : -1;
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

// The most characters of the file a cell's text may take: seven for each character it holds
// (_x0041_ is one).
constexpr qsizetype mostRawValue = 7 * mostValue;

// The text of a shared or inline string: its runs' texts, phonetic hints left out. A text
// longer than the file's most for a cell stops the reading (the part is then overLong()).
QString stringItem(Part& part)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !part.overLong() && part.next()) {
        if (part.xml.isStartElement()) {
            if (part.xml.name() == QLatin1String("t"))
                text += part.text(mostRawValue - text.size());
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

// The shared texts, held compactly: the characters in blocks, each text its place in them.
class SharedTexts
{
public:
    bool add(const QString& text)
    {
        if (m_blocks.empty() || m_blocks.back().size() + text.size() >= blockSize) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(blockSize);
        }
        QString& block = m_blocks.back();
        m_places.push_back(static_cast<quint64>(m_blocks.size() - 1) << 32 | static_cast<quint64>(block.size()) << 16 |
                           static_cast<quint64>(text.size()));
        block += text;
        return static_cast<qint64>(m_blocks.size()) * blockSize * 2 + static_cast<qint64>(m_places.size()) * 8 <=
               mostSharedBytes;
    }
    size_t size() const { return m_places.size(); }
    QString at(size_t index) const
    {
        const quint64 place = m_places[index];
        return m_blocks.at(place >> 32)
            .mid(static_cast<qsizetype>(place >> 16 & 0xffff), static_cast<qsizetype>(place & 0xffff));
    }

private:
    // A text is at most mostValue characters and begins below blockSize (an empty one too):
    // its place in the block and its length fit 16 bits each.
    static constexpr qsizetype blockSize = 1 << 16;
    std::vector<QString> m_blocks;
    std::vector<quint64> m_places;
};

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
        if (workbook.failed()) {
            problem = damaged(workbook.problem());
            return QString();
        }
    }
    Part relations(archive, QStringLiteral("xl/_rels/workbook.xml.rels"));
    while (!relation.isEmpty() && relations.isOpen() && relations.next())
        if (relations.xml.isStartElement() && relations.xml.name() == QLatin1String("Relationship") &&
            relations.xml.attributes().value(QLatin1String("Id")) == relation) {
            const QString target = relations.xml.attributes().value(QLatin1String("Target")).toString();
            return target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
        }
    problem = damaged(relations.failed() ? relations.problem() : QStringLiteral("nemá žádný list"));
    return QString();
}

// Which cell styles show a date: the built-in date formats and those whose code has days,
// months or years in it (outside quoted text and [colours]).
std::vector<bool> dateStyles(const Archive& archive, QString& problem)
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
        } else if (inCellFormats && styles.xml.name() == QLatin1String("xf") &&
                   dated.size() < static_cast<size_t>(mostColumns)) {
            const int id = a.value(QLatin1String("numFmtId")).toInt();
            dated.push_back((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58) ||
                            customIsDate.value(id, false));
        }
    }
    if (styles.failed() || (styles.isOpen() && !styles.drain()))
        problem = damaged(styles.problem());
    return dated;
}

// Reads the shared texts; false (the file refused) when they are damaged or too many.
bool readSharedTexts(const Archive& archive, SharedTexts& shared, importrows::Rows& rows)
{
    if (!archive.has("xl/sharedStrings.xml"))
        return true;
    Part strings(archive, QStringLiteral("xl/sharedStrings.xml"));
    while (strings.isOpen() && strings.next()) {
        if (!strings.xml.isStartElement() || strings.xml.name() != QLatin1String("si"))
            continue;
        const QString text = stringItem(strings);
        if (strings.overLong() || text.size() > mostValue) {
            rows.stop(0, tooLong(0, 0));
            return false;
        }
        if (!shared.add(text)) {
            rows.stop(0, QStringLiteral("Sešit má víc textu, než lze najednou přečíst (přes %1 MB); uložte list "
                                        "jako CSV.")
                             .arg(mostSharedBytes >> 20));
            return false;
        }
    }
    if (strings.failed() || !strings.drain()) {
        rows.stop(0, damaged(strings.problem()));
        return false;
    }
    return true;
}

// A number cell in a date style: Excel's day number, day 1 being 1 January 1900. Excel
// counts a 29 February 1900 that was not (its day 60, which is no day): from day 61 on, day 0
// is 30 December 1899; before it, 31 December 1899.
std::optional<QString> serialDate(const QString& value)
{
    bool ok = false;
    const double serial = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(serial) || serial < 1 || serial >= 2958466) // 31 December 9999
        return std::nullopt;
    const auto whole = static_cast<qint64>(std::floor(serial));
    if (whole == 60)
        return std::nullopt;
    const QDate day = QDate(1899, 12, whole < 60 ? 31 : 30).addDays(whole);
    return dateText(day.year(), day.month(), day.day());
}

// A cell as the sheet holds it: its type and style, its value or inline text.
struct Cell
{
    QString type;
    size_t style = 0;
    QString value;
    bool hasValue = false;
    QString inlineText;
};

// Reads the cell whose start the part is at (a the start's attributes), to its end.
Cell readCell(Part& part, const QXmlStreamAttributes& a)
{
    Cell cell;
    cell.type = a.value(QLatin1String("t")).toString();
    cell.style = static_cast<size_t>(a.value(QLatin1String("s")).toInt());
    int depth = 1;
    while (depth > 0 && !part.overLong() && part.next()) {
        if (part.xml.isStartElement() && part.xml.name() == QLatin1String("v")) {
            cell.value = part.text(mostRawValue);
            cell.hasValue = true;
        } else if (part.xml.isStartElement() && part.xml.name() == QLatin1String("is")) {
            cell.inlineText = stringItem(part);
        } else if (part.xml.isStartElement()) {
            part.skip(); // a formula: its result is the cell's value
        } else if (part.xml.isEndElement()) {
            --depth;
        }
    }
    return cell;
}

// The text of the cell as the import takes it; none for a cell without a value or with an
// error. Why the cell is refused goes to why.
std::optional<QString> cellText(const Cell& cell, const SharedTexts& shared, const std::vector<bool>& dated,
                                QString& why)
{
    if (cell.type == QLatin1String("inlineStr"))
        return cell.inlineText;
    if (!cell.hasValue || cell.type == QLatin1String("e"))
        return std::nullopt;
    if (cell.type == QLatin1String("s")) {
        bool ok = false;
        const auto index = static_cast<size_t>(cell.value.toULongLong(&ok));
        if (ok && index < shared.size())
            return shared.at(index);
        why = QStringLiteral("odkazuje na text, který v něm není");
        return std::nullopt;
    }
    if (cell.type == QLatin1String("str"))
        return unescaped(cell.value);
    if (cell.type == QLatin1String("b"))
        return booleanText(cell.value);
    // A day number beyond years 1 to 9999 is shown as the number it is.
    std::optional<QString> text;
    if (cell.style < dated.size() && dated[cell.style])
        text = serialDate(cell.value);
    if (!text)
        text = numberText(cell.value);
    if (!text)
        why = QStringLiteral("nemá platné číslo („%1“)").arg(importrows::shown(cell.value));
    return text;
}

} // namespace

void readXlsx(const Archive& archive, importrows::Rows& rows)
{
    QString problem;
    const QString sheet = firstSheetPart(archive, problem);
    if (!problem.isEmpty())
        return rows.stop(0, problem);
    SharedTexts shared;
    if (!readSharedTexts(archive, shared, rows))
        return;
    const std::vector<bool> dated = dateStyles(archive, problem);
    if (!problem.isEmpty())
        return rows.stop(0, problem);
    Part part(archive, sheet);
    if (!part.isOpen())
        return rows.stop(0, damaged(QStringLiteral("chybí v něm list %1").arg(sheet)));
    SheetRows sheetRows{rows, {}};
    qsizetype column = -1;
    const auto refuseCell = [&](const QString& why) {
        rows.stop(sheetRows.row, damaged(QStringLiteral("buňka %1%2 %3")
                                             .arg(columnName(std::min(column, mostColumns - 1)),
                                                  QString::number(sheetRows.row), why)));
    };
    while (!rows.stopped() && part.next()) {
        if (part.xml.isEndElement() && part.xml.name() == QLatin1String("row")) {
            sheetRows.end();
            continue;
        }
        if (!part.xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = part.xml.attributes();
        if (part.xml.name() == QLatin1String("row")) {
            // Rows come in order; one without a number follows the one before.
            const qint64 numbered = a.value(QLatin1String("r")).toLongLong();
            if (numbered > 0 && numbered <= sheetRows.row)
                return rows.stop(numbered,
                                 damaged(QStringLiteral("řádek %1 v něm následuje až po řádku %2")
                                             .arg(QString::number(numbered), QString::number(sheetRows.row))));
            sheetRows.row = numbered > 0 ? numbered : sheetRows.row + 1;
            column = -1;
            if (sheetRows.row > mostRows)
                return rows.stop(0, QStringLiteral("Sešit má víc řádků, než unese list tabulkového procesoru "
                                                   "(1 048 576)."));
            continue;
        }
        if (part.xml.name() != QLatin1String("c"))
            continue;
        const qsizetype named = columnOf(a.value(QLatin1String("r")));
        if (named >= 0 && named <= column)
            return refuseCell(QStringLiteral("v něm následuje až po buňce sloupce %1").arg(columnName(column)));
        column = named >= 0 ? named : column + 1;
        if (column >= mostColumns)
            return refuseCell(QStringLiteral("leží za posledním sloupcem listu (XFD)"));
        const Cell raw = readCell(part, a);
        if (part.failed())
            break; // told below, as a fault of the part
        if (part.overLong())
            return rows.stop(sheetRows.row, tooLong(column, sheetRows.row));
        QString why;
        const std::optional<QString> cell = cellText(raw, shared, dated, why);
        if (!why.isEmpty())
            return refuseCell(why);
        if (!cell)
            continue;
        if (!sheetRows.put(column, *cell))
            return;
    }
    if (part.failed() || (!rows.stopped() && !part.drain()))
        rows.stop(sheetRows.row, damaged(part.problem()));
}

} // namespace sheetreaders
