#include "field_value.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <limits>

namespace fieldvalue {

FieldKind kindOf(const QString& declType)
{
    if (declType == QLatin1String("BOOLEAN"))
        return FieldKind::Boolean;
    if (declType == QLatin1String("DATE"))
        return FieldKind::Date;
    if (declType.contains(QLatin1String("INT")))
        return FieldKind::Integer;
    return FieldKind::Text;
}

QString formatDate(const QDate& date)
{
    return date.isValid() ? QStringLiteral("%1.%2.%3").arg(date.day()).arg(date.month()).arg(date.year(), 4, 10, QLatin1Char('0'))
                          : QString();
}

QDate parseDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    // ISO form, or the Czech one: day, month and the whole year, separated by dots and optional blanks.
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    static const QRegularExpression czech(QStringLiteral("^(\\d{1,2})\\. ?(\\d{1,2})\\. ?(\\d{4})$"));
    if (const QRegularExpressionMatch m = iso.match(trimmed); m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (const QRegularExpressionMatch m = czech.match(trimmed); m.hasMatch())
        return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    return QDate();
}

bool isTrue(const QString& stored)
{
    return !stored.isEmpty() && stored != QLatin1String("0");
}

QString display(FieldKind kind, const QString& stored)
{
    if (stored.isNull())
        return QString();
    switch (kind) {
    case FieldKind::Boolean:
        // Grids and text boxes show yes/no as the database's own numbers: -1 and 0.
        return isTrue(stored) ? QStringLiteral("-1") : QStringLiteral("0");
    case FieldKind::Date:
        return formatDate(QDate::fromString(stored, QStringLiteral("yyyy-MM-dd")));
    case FieldKind::Integer:
    case FieldKind::Text:
        break;
    }
    return stored;
}

Status toStored(FieldKind kind, const QString& field, const QString& text, QVariant& result)
{
    switch (kind) {
    case FieldKind::Text:
        result = text;
        return Status::success();
    case FieldKind::Integer: {
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty()) {
            result = QVariant();
            return Status::success();
        }
        bool ok = false;
        const qlonglong value = trimmed.toLongLong(&ok);
        if (!ok)
            return Status::failure(QStringLiteral("Pole %1 musí obsahovat celé číslo, ne „%2“.").arg(field, text));
        result = value;
        return Status::success();
    }
    case FieldKind::Boolean: {
        const QString t = text.trimmed().toLower();
        if (t == QLatin1String("1") || t == QLatin1String("-1") || t == QLatin1String("true") ||
            t == QLatin1String("ano")) {
            result = 1;
            return Status::success();
        }
        if (t.isEmpty() || t == QLatin1String("0") || t == QLatin1String("false") || t == QLatin1String("ne")) {
            result = 0;
            return Status::success();
        }
        return Status::failure(QStringLiteral("Pole %1 musí obsahovat Ano nebo Ne, ne „%2“.").arg(field, text));
    }
    case FieldKind::Date: {
        if (text.trimmed().isEmpty()) {
            result = QVariant();
            return Status::success();
        }
        const QDate date = parseDate(text);
        if (!date.isValid())
            return Status::failure(QStringLiteral("Pole %1 musí obsahovat platné datum, ne „%2“.").arg(field, text));
        result = date.toString(QStringLiteral("yyyy-MM-dd"));
        return Status::success();
    }
    }
    return Status::failure(QStringLiteral("Neznámý druh pole %1.").arg(field));
}

DiscCount parseDiscCount(const QString& text)
{
    constexpr qint64 lowest = std::numeric_limits<qint32>::min();
    constexpr qint64 highest = std::numeric_limits<qint32>::max();
    const QString trimmed = text.trimmed();
    DiscCount count;
    bool isNumber = false;
    double value = 0;
    if (!trimmed.isEmpty()) {
        // Whole numbers are read exactly; anything else as a real number.
        qlonglong whole = QLocale::c().toLongLong(trimmed, &isNumber);
        if (!isNumber)
            whole = QLocale().toLongLong(trimmed, &isNumber);
        if (isNumber) {
            value = static_cast<double>(whole);
            if (whole < lowest || whole > highest)
                value = std::numeric_limits<double>::infinity() * (whole < 0 ? -1 : 1);
            else
                count.value = whole;
        } else {
            value = QLocale().toDouble(trimmed, &isNumber);
            if (!isNumber)
                value = QLocale::c().toDouble(trimmed, &isNumber);
            isNumber = isNumber && !std::isnan(value);
            if (isNumber && std::isfinite(value) && value == std::floor(value) && value >= lowest && value <= highest)
                count.value = static_cast<qint64>(value);
        }
    }
    if (!isNumber) {
        count.message = QStringLiteral("Počet disků musí být číslo");
    } else if (std::isfinite(value) && value != std::floor(value)) {
        count.message = QStringLiteral("Počet disků musí být celé číslo");
    } else if (!std::isfinite(value) || value < lowest || value > highest) {
        count.message = QStringLiteral("Počet disků musí být celé číslo od %1 do %2").arg(lowest).arg(highest);
    } else {
        count.ok = true;
    }
    return count;
}

} // namespace fieldvalue
