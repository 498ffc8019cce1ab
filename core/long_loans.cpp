#include "core/long_loans.h"

#include "core/field_value.h"

namespace longloans {

const std::vector<tables::Column>& columns()
{
    static const std::vector<tables::Column> listed = [] {
        std::vector<tables::Column> result;
        for (const char* name : {"nazev", "jmeno", "prijmeni", "telefon", "email", "datumpujceni"}) {
            const QString field = QString::fromLatin1(name);
            const QString table = field == QLatin1String("nazev")          ? QStringLiteral("cd")
                                  : field == QLatin1String("datumpujceni") ? QStringLiteral("pujcovani")
                                                                           : QStringLiteral("lide");
            result.push_back({field, tables::kindOf(table, field), tables::label(field), QString(), table});
        }
        result.push_back(
            {QStringLiteral("dni"), FieldKind::Integer, QStringLiteral("Dní půjčeno"), QString(), QString()});
        return result;
    }();
    return listed;
}

QString daysInWords(qint64 days)
{
    const QString unit = days == 1                ? QStringLiteral("den")
                         : days >= 2 && days <= 4 ? QStringLiteral("dny")
                                                  : QStringLiteral("dní");
    return QStringLiteral("%1 %2").arg(days).arg(unit);
}

QString condition()
{
    return QStringLiteral("p.vraceno = 0 AND %1 IS NOT NULL AND %2 > ?2")
        .arg(fieldvalue::sqlDay(QStringLiteral("p.datumpujceni")), daysOut());
}

QString daysOut()
{
    return QStringLiteral("CAST(julianday(?1) - julianday(%1) AS INTEGER)")
        .arg(fieldvalue::sqlDay(QStringLiteral("p.datumpujceni")));
}

QString sql()
{
    return QStringLiteral("SELECT c.nazev, l.jmeno, l.prijmeni, l.telefon, l.email, p.datumpujceni, %1 AS dni\n"
                          "FROM pujcovani AS p JOIN cd AS c ON c.idcd = p.idcd\n"
                          "JOIN lide AS l ON l.idcloveka = p.idcloveka\n"
                          "WHERE %2\n"
                          "ORDER BY dni DESC, ifnull(l.prijmeni, '') COLLATE ordisk_seznam, "
                          "ifnull(l.jmeno, '') COLLATE ordisk_seznam, ifnull(c.nazev, '') COLLATE ordisk_seznam, "
                          "p.idvypujcky")
        .arg(daysOut(), condition());
}

QVariantList params(int days, const QDate& today)
{
    return {today.toString(Qt::ISODate), days};
}

} // namespace longloans
