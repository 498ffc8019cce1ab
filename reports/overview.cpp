#include "reports/overview.h"

#include "core/field_value.h"
#include "core/long_loans.h"

#include "reports/flow_page.h"
#include "reports/page_canvas.h"
#include "reports/page_fonts.h"
#include "reports/pdf_file.h"
#include "reports/text_lines.h"
#include "storage/database.h"

#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace overview {
namespace {

// The loans whose disc and person are both in the register, each read once with its days
// checked (fieldvalue::sqlDay): dp the day lent, dv the day returned, NULL where not a day.
// The figures are counted from this table of the connection's own, not from the register's
// three tables joined again for each of them.
const char* const loansTable = "prehled_vypujcky";
const char* const loansSelect =
    "SELECT p.idvypujcky AS idvypujcky, p.idcd AS idcd, p.idcloveka AS idcloveka, p.vraceno AS vraceno, "
    "p.datumpujceni AS datumpujceni, {day(p.datumpujceni)} AS dp, {day(p.datumvraceni)} AS dv "
    "FROM pujcovani AS p JOIN cd AS c ON c.idcd = p.idcd JOIN lide AS l ON l.idcloveka = p.idcloveka";
// A returned loan whose length is known: both its days are days, the return not before the
// lending.
const char* const counted = "p.vraceno = 1 AND p.dp IS NOT NULL AND p.dv IS NOT NULL AND p.dv >= p.dp";
const char* const person = "trim(ifnull(l.jmeno, '') || ' ' || ifnull(l.prijmeni, ''))";

QString sql(const char* text)
{
    return QString::fromUtf8(text)
        .replace(QLatin1String("{loans}"), QStringLiteral("temp.%1 AS p").arg(QLatin1String(loansTable)))
        .replace(QLatin1String("{counted}"), QLatin1String(counted))
        .replace(QLatin1String("{person}"), QLatin1String(person))
        .replace(QLatin1String("{daysOut}"), longloans::daysOut()) // to the day bound as ?1
        .replace(QLatin1String("{day(p.datumpujceni)}"), fieldvalue::sqlDay(QStringLiteral("p.datumpujceni")))
        .replace(QLatin1String("{day(p.datumvraceni)}"), fieldvalue::sqlDay(QStringLiteral("p.datumvraceni")));
}

// Runs a query for each of its rows.
Status eachRow(Database& db, const QString& query, const QVariantList& params,
               const std::function<void(Statement&)>& row)
{
    Statement statement(db, query);
    Status status = statement.status();
    if (status.ok())
        status = statement.bindAll(params);
    if (!status.ok())
        return status;
    Statement::Step step;
    while ((step = statement.step()) == Statement::Step::Row)
        row(statement);
    status = step == Statement::Step::Error ? statement.failure() : Status::success();
    statement.reset();
    return status;
}

QString count(qint64 value)
{
    return QString::number(value);
}

// The numbers of discs, people and loans, of discs never lent and out now.
Status countAll(Database& db, Figures& f)
{
    Status status = Status::success();
    qint64 allLoans = 0;
    const struct
    {
        const char* query;
        qint64* into;
    } counts[] = {
        {"SELECT count(*) FROM cd", &f.discs},
        {"SELECT count(*) FROM lide", &f.people},
        {"SELECT count(*) FROM pujcovani", &allLoans},
        {"SELECT count(*) - (SELECT count(DISTINCT p.idcd) FROM {loans}) FROM cd", &f.neverLent},
    };
    for (const auto& [query, into] : counts)
        if (status = db.queryInt(sql(query), *into); !status.ok())
            return status;
    // One reading of the loans: their number, the discs out, the returned ones left out.
    status = eachRow(db,
                     sql("SELECT count(*), count(DISTINCT CASE WHEN p.vraceno = 0 THEN p.idcd END), "
                         "ifnull(sum(p.vraceno = 1 AND NOT ({counted})), 0) FROM {loans}"),
                     {}, [&f](Statement& row) {
                         f.loans = row.columnInt(0);
                         f.discsOut = row.columnInt(1);
                         f.returnedUncounted = row.columnInt(2);
                     });
    f.orphanLoans = allLoans - f.loans;
    return status;
}

// How long the returned loans took: each length read once with its number, the mean and the
// middle one (or the mean of the middle two) without sorting every loan.
Status returnLengths(Database& db, Figures& f)
{
    std::vector<std::pair<double, qint64>> lengths;
    const Status status = eachRow(db,
                                  sql("SELECT julianday(p.dv) - julianday(p.dp) AS d, count(*) "
                                      "FROM {loans} "
                                      "WHERE {counted} GROUP BY d ORDER BY d"),
                                  {}, [&](Statement& row) {
                                      lengths.emplace_back(row.columnText(0).toDouble(), row.columnInt(1));
                                      f.returnedCounted += row.columnInt(1);
                                  });
    if (!status.ok())
        return status;
    if (f.returnedCounted > 0) {
        double sum = 0;
        for (const auto& [length, number] : lengths)
            sum += length * static_cast<double>(number);
        f.averageDays = sum / static_cast<double>(f.returnedCounted);
        const auto at = [&lengths](qint64 index) {
            for (const auto& [length, number] : lengths) {
                if (index < number)
                    return length;
                index -= number;
            }
            return lengths.back().first;
        };
        f.medianDays = (at((f.returnedCounted - 1) / 2) + at(f.returnedCounted / 2)) / 2;
    }
    return status;
}

// The first ten loan counts of the groups (by the order after the count), and how many more
// have the tenth's count: a tie is said, never cut silently. One reading: each group carries
// how many groups share its count (a window over the counts, no sort by name of them all).
// order: the columns the order needs, taken out of the groups, then the order by them
// ("columns;order").
Status ranked(Database& db, const QString& name, const QString& where, const QString& group, const QString& order,
              std::vector<Ranked>& ranks, qint64& alike)
{
    qint64 sharing = 0;
    // The loans counted by the group's key; the names read (and sorted) only of the groups
    // with at least the tenth count.
    const QString table = group.startsWith(QLatin1String("c.")) ? QStringLiteral("cd AS c ON c.idcd = g.k")
                                                                : QStringLiteral("lide AS l ON l.idcloveka = g.k");
    const Status status =
        eachRow(db,
                QStringLiteral("WITH g AS (SELECT %1 AS k, count(*) AS n %2 GROUP BY 1) "
                               "SELECT name, n, count(*) OVER (PARTITION BY n) FROM (SELECT %3 AS name, g.n AS n, %4 "
                               "FROM g JOIN %5 WHERE g.n >= ifnull((SELECT n FROM g ORDER BY n DESC LIMIT 1 OFFSET 9), "
                               "0)) ORDER BY n DESC, %6 LIMIT 10")
                    .arg(QString(group)
                             .replace(QLatin1String("c."), QLatin1String("p."))
                             .replace(QLatin1String("l."), QLatin1String("p.")),
                         sql("FROM {loans} ") + where, sql(name.toUtf8().constData()),
                         order.section(QLatin1Char(';'), 0, 0), table, order.section(QLatin1Char(';'), 1)),
                {}, [&](Statement& row) {
                    ranks.push_back({printedValue(row.columnUtf8(0), row.isNull(0)), row.columnInt(1)});
                    sharing = row.columnInt(2);
                });
    if (status.ok() && ranks.size() == 10) {
        const qint64 last = ranks.back().loans;
        alike =
            sharing - std::count_if(ranks.begin(), ranks.end(), [last](const Ranked& r) { return r.loans == last; });
    }
    return status;
}

// The ten discs lent most, the ten people borrowing most and having most out now, the ten
// loans out longest.
Status topTens(Database& db, const QDate& today, Figures& f)
{
    Status status = ranked(db, QStringLiteral("c.nazev"), QString(), QStringLiteral("c.idcd"),
                           QStringLiteral("ifnull(c.nazev, '') AS o1, c.idcd AS o2;o1 COLLATE ordisk_seznam, o2"),
                           f.mostLentDiscs, f.moreLentAlike);
    const QString byName = QStringLiteral("ifnull(l.prijmeni, '') AS o1, ifnull(l.jmeno, '') AS o2, l.idcloveka AS o3;"
                                          "o1 COLLATE ordisk_seznam, o2 COLLATE ordisk_seznam, o3");
    if (status.ok())
        status = ranked(db, QStringLiteral("{person}"), QString(), QStringLiteral("l.idcloveka"), byName,
                        f.mostBorrowing, f.moreBorrowingAlike);
    if (status.ok())
        status = ranked(db, QStringLiteral("{person}"), QStringLiteral("WHERE p.vraceno = 0"),
                        QStringLiteral("l.idcloveka"), byName, f.mostOutNow, f.moreOutAlike);
    if (!status.ok())
        return status;
    status = eachRow(db,
                     sql("SELECT c.nazev, {person}, p.datumpujceni, "
                         "{daysOut} AS d FROM {loans} JOIN cd AS c ON c.idcd = p.idcd JOIN lide AS l "
                         "ON l.idcloveka = p.idcloveka WHERE p.vraceno = 0 AND p.dp <= ?1 "
                         "ORDER BY p.dp, ifnull(c.nazev, '') COLLATE ordisk_seznam, p.idvypujcky LIMIT 10"),
                     {today.toString(Qt::ISODate)}, [&f](Statement& row) {
                         f.longestOut.push_back({printedValue(row.columnUtf8(0), row.isNull(0)),
                                                 printedValue(row.columnUtf8(1), row.isNull(1)),
                                                 QDate::fromString(row.columnText(2), Qt::ISODate), row.columnInt(3)});
                     });
    return status;
}

// The loans lent each month (a day that is no day counted nowhere, the future left out),
// summed into the years and the last twelve months.
Status byTime(Database& db, const QDate& today, Figures& f)
{
    std::map<QString, qint64> months; // "2026-12"
    const Status status = eachRow(
        db, sql("SELECT substr(p.dp, 1, 7), count(*) FROM {loans} WHERE p.dp IS NOT NULL AND p.dp <= ?1 GROUP BY 1"),
        {today.toString(Qt::ISODate)}, [&months](Statement& row) { months[row.columnText(0)] = row.columnInt(1); });
    if (!status.ok() || months.empty())
        return status;
    std::map<int, qint64> years;
    for (const auto& [month, lent] : months)
        years[month.left(4).toInt()] += lent;
    for (int year = std::max(years.begin()->first, today.year() - 19); year <= today.year(); ++year)
        f.byYear.push_back({QString::number(year), years.count(year) ? years[year] : 0});
    static const char* const names[] = {"led", "úno", "bře", "dub", "kvě", "čvn",
                                        "čvc", "srp", "zář", "říj", "lis", "pro"};
    for (int back = 11; back >= 0; --back) {
        const QDate month = QDate(today.year(), today.month(), 1).addMonths(-back);
        const auto found = months.find(month.toString(QStringLiteral("yyyy-MM")));
        f.byMonth.push_back({QString::fromUtf8(names[month.month() - 1]), found == months.end() ? 0 : found->second});
    }
    return status;
}

} // namespace

Figures compute(Database& db, const QDate& today, Status& status)
{
    Figures f;
    // Every loan is read with its disc and person several times over: with SQLite's own
    // cache of 2 MB, each time from the system again. A cache that holds the register
    // (64 MB at most, taken only as the pages are read) makes the overview three times faster.
    // The connection's own cache is given back afterwards (the window's works best with
    // SQLite's default, docs/performance.md).
    qint64 cache = 0;
    if (status = db.queryInt(QStringLiteral("PRAGMA cache_size"), cache); !status.ok())
        return f;
    struct GivenBack
    {
        Database& db;
        qint64 cache;
        ~GivenBack() { (void)db.exec(QStringLiteral("PRAGMA cache_size = %1").arg(cache)); }
    } givenBack{db, cache};
    if (qEnvironmentVariable("ORDISK_REPORT_CACHE") != QLatin1String("off"))
        if (status = db.exec(QStringLiteral("PRAGMA cache_size = -65536")); !status.ok())
            return f;
    // The loans with their days, read once into a table of the connection's own, emptied at
    // the end (its rows only: a table is not dropped under statements the window keeps open).
    // ORDISK_OVERVIEW_TABLE=off makes it a view: the join read again for each figure.
    const bool table = qEnvironmentVariable("ORDISK_OVERVIEW_TABLE") != QLatin1String("off");
    struct Emptied
    {
        Database& db;
        bool table;
        ~Emptied()
        {
            if (table)
                (void)db.exec(QStringLiteral("DELETE FROM temp.%1").arg(QLatin1String(loansTable)));
        }
    } emptied{db, table};
    const QString made =
        table
            ? QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS %1 (idvypujcky INTEGER, idcd INTEGER, idcloveka INTEGER, "
                             "vraceno, datumpujceni, dp TEXT, dv TEXT); DELETE FROM temp.%1; INSERT INTO temp.%1 %2")
            : QStringLiteral("CREATE TEMP VIEW IF NOT EXISTS %1 AS %2");
    if (status = db.exec(made.arg(QLatin1String(loansTable), sql(loansSelect))); !status.ok())
        return f;
    if (status = countAll(db, f); !status.ok())
        return f;
    if (status = returnLengths(db, f); !status.ok())
        return f;
    if (status = topTens(db, today, f); !status.ok())
        return f;
    status = byTime(db, today, f);
    return f;
}

namespace {

// "s" or "se" before a number as it is read: "se" before "dva", "tři", "čtyři", "sedm", "sto"
// and what begins with them ("se dvaceti", "se sedmnácti"), "s" otherwise.
bool readWithSe(qint64 n)
{
    if (n >= 2000)
        return readWithSe(n / 1000);
    if (n >= 1000)
        return false; // "s tisícem"
    if (n >= 100)
        return n < 200 || readWithSe(n / 100); // "se stem", "se dvěma sty"
    if (n >= 20)
        return readWithSe(n / 10);
    return n == 2 || n == 3 || n == 4 || n == 7 || n == 17;
}

} // namespace

QString alsoAlike(qint64 more, qint64 number, bool people, bool out)
{
    if (more <= 0)
        return QString();
    const bool few = more >= 2 && more <= 4;
    const QString others = more == 1 ? (people ? QStringLiteral("a další člověk") : QStringLiteral("a další disk"))
                                     : QStringLiteral("a %1 %2 %3")
                                           .arg(few ? QStringLiteral("další") : QStringLiteral("dalších"))
                                           .arg(more)
                                           .arg(people ? (few ? QStringLiteral("lidé") : QStringLiteral("lidí"))
                                                       : (few ? QStringLiteral("disky") : QStringLiteral("disků")));
    const QString with = readWithSe(number) ? QStringLiteral("se") : QStringLiteral("s");
    const QString what = out ? (number == 1 ? QStringLiteral("půjčeným diskem") : QStringLiteral("půjčenými disky"))
                             : (number == 1 ? QStringLiteral("výpůjčkou") : QStringLiteral("výpůjčkami"));
    return QStringLiteral("%1 %2 %3 %4").arg(others, with).arg(number).arg(what);
}

QString days(std::optional<double> value)
{
    if (!value || !std::isfinite(*value))
        return QStringLiteral("—");
    const double rounded = std::round(*value * 10) / 10;
    if (rounded != std::floor(rounded))
        return QString::number(rounded, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(',')) + QStringLiteral(" dne");
    return longloans::daysInWords(static_cast<qint64>(rounded));
}

std::vector<Line> lines(const Figures& f)
{
    using enum Line::Kind;
    std::vector<Line> result = {
        {Heading, QStringLiteral("Evidence"), {}},
        {Item, QStringLiteral("Disků"), count(f.discs)},
        {Item, QStringLiteral("Lidí"), count(f.people)},
        {Item, QStringLiteral("Výpůjček"), count(f.loans)},
        {Item, QStringLiteral("Disků právě půjčených"), count(f.discsOut)},
        {Item, QStringLiteral("Disků nikdy nepůjčených"), count(f.neverLent)},
    };
    const auto ranked = [&result](const QString& heading, const std::vector<Ranked>& ranks, qint64 alike, bool people,
                                  bool out) {
        result.push_back({Heading, heading, {}});
        if (ranks.empty())
            result.push_back({Text, QStringLiteral("—"), {}});
        for (size_t i = 0; i < ranks.size(); ++i)
            result.push_back({Item, QStringLiteral("%1. %2").arg(i + 1).arg(ranks[i].name),
                              out ? count(ranks[i].loans) : QStringLiteral("%1×").arg(ranks[i].loans)});
        if (alike > 0)
            result.push_back({Text, alsoAlike(alike, ranks.back().loans, people, out), {}});
    };
    ranked(QStringLiteral("Nejčastěji půjčované disky"), f.mostLentDiscs, f.moreLentAlike, false, false);
    ranked(QStringLiteral("Kdo si půjčuje nejčastěji"), f.mostBorrowing, f.moreBorrowingAlike, true, false);
    ranked(QStringLiteral("Kdo má právě nejvíc disků"), f.mostOutNow, f.moreOutAlike, true, true);
    result.push_back({Heading, QStringLiteral("Jak dlouho trvá vrácení"), {}});
    result.push_back({Item, QStringLiteral("Průměr"), days(f.averageDays)});
    result.push_back({Item, QStringLiteral("Medián"), days(f.medianDays)});
    QString counted = QStringLiteral("Započteno vrácených výpůjček: %1.").arg(f.returnedCounted);
    if (f.returnedUncounted > 0)
        counted += QStringLiteral(" Nezapočtené vrácené výpůjčky (bez platného data půjčení nebo vrácení, nebo vrácené "
                                  "dříve, než byly půjčeny): %1.")
                       .arg(f.returnedUncounted);
    result.push_back({Text, counted, {}});
    result.push_back({Heading, QStringLiteral("Nejdéle půjčená a nevrácená CD"), {}});
    if (f.longestOut.empty())
        result.push_back({Text, QStringLiteral("—"), {}});
    for (const OutLong& out : f.longestOut)
        result.push_back({Item,
                          QStringLiteral("%1 – %2, půjčeno %3")
                              .arg(out.disc, out.person, out.lent.toString(QStringLiteral("dd.MM.yyyy"))),
                          days(static_cast<double>(out.daysOut))});
    if (f.orphanLoans > 0)
        result.push_back({Text,
                          QStringLiteral("Výpůjčky disků nebo lidí, kteří už v evidenci nejsou (nikde "
                                         "nezapočtené): %1.")
                              .arg(f.orphanLoans),
                          {}});
    return result;
}

bool paintPage(const Figures& figures, const QDate& today, const QPagedPaintDevice& device, PageCanvas& canvas)
{
    const FlowPage::Fonts fonts(device);
    FlowPage page(device, fonts, canvas);
    page.paragraph(QStringLiteral("Přehled půjčování"), FlowPage::Font::Title);
    page.paragraph(QStringLiteral("Stav k %1").arg(today.toString(QStringLiteral("dd.MM.yyyy"))));
    const qreal width = page.width();
    const std::vector<FlowPage::Column> columns = {{0, width * 0.8, false}, {width * 0.8, width * 0.2, true}};
    for (const Line& line : lines(figures)) {
        switch (line.kind) {
        case Line::Kind::Heading:
            page.skip(4);
            page.paragraph(line.text, FlowPage::Font::Bold);
            page.skip(1);
            break;
        case Line::Kind::Item:
            page.row({line.text, line.value}, columns);
            break;
        case Line::Kind::Text:
            page.paragraph(line.text);
            break;
        }
    }
    for (const auto& [heading, bars] :
         {std::pair{byYearHeading(), &figures.byYear}, std::pair{byMonthHeading(), &figures.byMonth}}) {
        if (!bars->empty())
            page.bars(heading, *bars, 40);
    }
    return !page.failed();
}

QString byYearHeading()
{
    return QStringLiteral("Výpůjčky podle roků");
}

QString byMonthHeading()
{
    return QStringLiteral("Výpůjčky za posledních 12 měsíců");
}

QImage chartImage(const std::vector<Bar>& bars, const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PainterCanvas canvas(painter);
    const TextLines font(pagefonts::font(8), image);
    paintBars(canvas, QRectF(QPointF(4, 4), QSizeF(size) - QSizeF(8, 8)), bars, font);
    return image;
}

Status writePdf(Database& db, const QDate& today, const QString& path)
{
    Status status = Status::success();
    const Figures figures = compute(db, today, status);
    if (!status.ok())
        return status;
    return pdffile::write(db.filePath(), path, QStringLiteral("Přehled půjčování"), false,
                          [&](QPdfWriter& writer, QPainter& painter) {
                              PainterCanvas canvas(painter, writer);
                              return paintPage(figures, today, writer, canvas)
                                         ? Status::success()
                                         : Status::failure(QStringLiteral("Stránku nelze vytisknout."));
                          });
}

} // namespace overview
