#include "transfer/import_words.h"

#include "core/register_tables.h"

namespace importwords {

QStringList captionsOf(const tables::Column& column, bool key)
{
    QStringList captions = {column.label, column.name};
    if (column.name == QLatin1String("email"))
        captions << QStringLiteral("E-mail");
    else if (column.name == QLatin1String("nazev"))
        captions << QStringLiteral("Název CD");
    else if (column.name == QLatin1String("idcloveka"))
        captions << QStringLiteral("ID Clovek");
    if (key)
        captions << QStringLiteral("ID");
    return captions;
}

int columnNamed(const tables::Table& table, QString name)
{
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name = name.chopped(1).trimmed();
    for (size_t c = 0; c < table.columns.size(); ++c)
        for (const QString& caption : captionsOf(table.columns[c], c == 0))
            if (name.compare(caption, Qt::CaseInsensitive) == 0)
                return static_cast<int>(c);
    return -1;
}

QString acceptedCaptions(const tables::Table& table)
{
    QStringList names;
    for (size_t c = 0; c < table.columns.size(); ++c) {
        QStringList captions = captionsOf(table.columns[c], c == 0);
        captions.removeAll(table.columns[c].name);
        names << captions.join(QStringLiteral(" / "));
    }
    return names.join(QStringLiteral(", "));
}

QString yesNoWord(const QString& text)
{
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("pravda") || word == QLatin1String("a") || word == QLatin1String("x"))
        return QStringLiteral("Ano");
    if (word == QLatin1String("nepravda") || word == QLatin1String("n"))
        return QStringLiteral("Ne");
    return text;
}

QString alreadyThereText(bool discs, qint64 n, bool byKey)
{
    const int form = n == 1 ? 0 : n >= 2 && n <= 4 ? 1 : 2;
    static const char* const disc[] = {"disk, který už v evidenci je", "disky, které už v evidenci jsou",
                                       "disků, které už v evidenci jsou"};
    static const char* const person[] = {"člověka, který už v evidenci je", "lidi, kteří už v evidenci jsou",
                                         "lidí, kteří už v evidenci jsou"};
    const QString how =
        byKey ? QStringLiteral("podle ID a %1").arg(discs ? QStringLiteral("názvu") : QStringLiteral("jména"))
              : QStringLiteral("se stejnými hodnotami ve všech sloupcích souboru");
    return QStringLiteral("Soubor obsahuje %1 %2 (%3); přidat %4 znovu?")
        .arg(QString::number(n), QString::fromUtf8(discs ? disc[form] : person[form]), how,
             form == 0 ? QStringLiteral("ho") : QStringLiteral("je"));
}

QString unstorable(const QString& value)
{
    if (value.size() > 32767)
        return QStringLiteral("je delší než 32 767 znaků, víc buňka tabulky nepojme");
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || (u >= 0x7f && u <= 0x9f))
            return QStringLiteral("obsahuje řídicí znak U+%1, který nelze uložit")
                .arg(QString::number(u, 16).toUpper().rightJustified(4, QLatin1Char('0')));
    }
    if (!QStringView(value).isValidUtf16())
        return QStringLiteral("obsahuje neplatný znak (polovinu znaku UTF-16)");
    return QString();
}

} // namespace importwords
