#include "core/field_value.h"

#include "core/register_tables.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <limits>

namespace fieldvalue {

QString formatDate(const QDate& date)
{
    return date.isValid()
               ? QStringLiteral("%1.%2.%3").arg(date.day()).arg(date.month()).arg(date.year(), 4, 10, QLatin1Char('0'))
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

QDate storedDay(const QString& stored)
{
    static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!iso.match(stored).hasMatch())
        return QDate();
    const QDate day = QDate::fromString(stored, Qt::ISODate);
    return day.isValid() && day.year() >= 1 ? day : QDate();
}

QString sqlDay(const QString& expression)
{
    // Checked by the program's own SQL function (storage/database.cpp), as storedDay() does.
    return QStringLiteral("ordisk_den(%1)").arg(expression);
}

bool isTrue(const QString& stored)
{
    return !stored.isEmpty() && stored != QLatin1String("0");
}

QString inWords(FieldKind kind, const QString& stored)
{
    if (stored.isNull())
        return QString();
    if (kind == FieldKind::Boolean)
        return isTrue(stored) ? QStringLiteral("Ano") : QStringLiteral("Ne");
    if (kind == FieldKind::Date) {
        const QDate day = storedDay(stored);
        return day.isValid() ? day.toString(QStringLiteral("dd.MM.yyyy")) : stored;
    }
    return stored;
}

QString display(FieldKind kind, const QString& stored)
{
    if (stored.isNull())
        return QString();
    switch (kind) {
    case FieldKind::Boolean:
        // Grids and text boxes show yes/no as the database's own numbers: -1 and 0.
        return isTrue(stored) ? QStringLiteral("-1") : QStringLiteral("0");
    case FieldKind::Date: {
        const QDate day = storedDay(stored);
        return day.isValid() ? formatDate(day) : stored;
    }
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
        if (text.trimmed().isEmpty()) {
            result = QVariant();
            return Status::success();
        }
        const WholeNumber number = parseWholeNumber(text, field);
        if (!number.ok)
            return Status::failure(number.message);
        result = number.value;
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
        return Status::failure(QStringLiteral("%1 musí být Ano nebo Ne").arg(tables::label(field)));
    }
    case FieldKind::Date: {
        if (text.trimmed().isEmpty()) {
            result = QVariant();
            return Status::success();
        }
        const QDate date = parseDate(text);
        if (!date.isValid())
            return Status::failure(QStringLiteral("%1 musí být platné datum").arg(tables::label(field)));
        result = date.toString(QStringLiteral("yyyy-MM-dd"));
        return Status::success();
    }
    }
    return Status::failure(QStringLiteral("Neznámý druh pole %1").arg(tables::label(field)));
}

WholeNumber parseWholeNumber(const QString& text, const QString& field)
{
    const bool discs = field == QLatin1String("pocetdisku");
    const qint64 lowest = discs ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint64>::min();
    const qint64 highest = discs ? std::numeric_limits<qint32>::max() : std::numeric_limits<qint64>::max();
    // The program is Czech: a decimal comma is read as such whatever the system's locale,
    // and so is a dot.
    static const QLocale readings[] = {QLocale::c(), QLocale(QLocale::Czech, QLocale::CzechRepublic)};
    // Bounds for real numbers: above highest means at or above highest + 1, which a double
    // holds exactly also where highest itself is not (2^63 - 1).
    const auto inRange = [&](double v) {
        return v >= static_cast<double>(lowest) && v < static_cast<double>(highest) + 1.0;
    };
    const QString trimmed = text.trimmed();
    WholeNumber count;
    bool isNumber = false;
    double value = 0;
    if (!trimmed.isEmpty()) {
        // Whole numbers are read exactly; anything else as a real number.
        qlonglong whole = 0;
        for (const QLocale& locale : readings)
            if (!isNumber)
                whole = locale.toLongLong(trimmed, &isNumber);
        if (isNumber) {
            value = static_cast<double>(whole);
            if (whole < lowest || whole > highest)
                value = std::numeric_limits<double>::infinity() * (whole < 0 ? -1 : 1);
            else
                count.value = whole;
        } else {
            for (const QLocale& locale : readings)
                if (!isNumber)
                    value = locale.toDouble(trimmed, &isNumber);
            isNumber = isNumber && !std::isnan(value);
            if (isNumber && std::isfinite(value) && value == std::floor(value) && inRange(value))
                count.value = static_cast<qint64>(value);
        }
    }
    const QString name = tables::label(field);
    if (!isNumber) {
        count.message = QStringLiteral("%1 musí být číslo").arg(name);
    } else if (std::isfinite(value) && value != std::floor(value)) {
        count.message = QStringLiteral("%1 musí být celé číslo").arg(name);
    } else if (!std::isfinite(value) || !inRange(value)) {
        count.message = QStringLiteral("%1 musí být celé číslo od %2 do %3").arg(name).arg(lowest).arg(highest);
    } else {
        count.ok = true;
    }
    return count;
}

WholeNumber parseDiscCount(const QString& text)
{
    return parseWholeNumber(text, QStringLiteral("pocetdisku"));
}

} // namespace fieldvalue
