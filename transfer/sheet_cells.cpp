#include "transfer/sheet_cells.h"

#include <QDate>

#include <cmath>

namespace sheetcells {

QString damaged(const QString& why)
{
    return QStringLiteral("Sešit je poškozený: %1. Otevřete ho v tabulkovém procesoru a uložte znovu.").arg(why);
}

QString encrypted(const QString& part)
{
    return QStringLiteral("Sešit je zašifrovaný heslem (jeho část %1); program ho nepřečte. Otevřete ho v tabulkovém "
                          "procesoru a uložte bez hesla.")
        .arg(part);
}

QString columnName(qsizetype column)
{
    QString name;
    for (qsizetype n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + static_cast<char16_t>((n - 1) % 26)));
    return name;
}

std::optional<QString> numberText(QStringView value)
{
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    if (std::floor(number) == number && std::fabs(number) < 1e15)
        return QString::number(static_cast<qint64>(number));
    return QString::number(number, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
}

std::optional<QString> dateText(qint64 year, int month, int day)
{
    const QDate date(year >= 1 && year <= 9999 ? static_cast<int>(year) : 0, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date.toString(QStringLiteral("d.M.yyyy"));
}

QString booleanText(QStringView value)
{
    const QStringView word = value.trimmed();
    if (word == QLatin1String("1") || word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Ano");
    if (word == QLatin1String("0") || word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Ne");
    return value.toString();
}

QString tooLong(qsizetype column, qint64 row)
{
    const QString where = row > 0 ? QStringLiteral("Hodnota v buňce %1%2").arg(columnName(column), QString::number(row))
                                  : QStringLiteral("Text sešitu");
    return QStringLiteral("%1 je delší než 32 767 znaků, víc buňka tabulky nepojme.").arg(where);
}

bool SheetRows::put(qsizetype column, const QString& value)
{
    if (value.size() > mostValue) {
        rows.stop(row, tooLong(column, row));
        return false;
    }
    if (value.isEmpty())
        return true;
    if (static_cast<size_t>(column) >= fields.size())
        fields.resize(static_cast<size_t>(column) + 1);
    fields[static_cast<size_t>(column)] = value;
    return true;
}

void SheetRows::end()
{
    if (!fields.empty())
        rows.record(fields, row);
    fields.clear();
}

} // namespace sheetcells
