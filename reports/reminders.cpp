#include "reports/reminders.h"

#include "core/czech_names.h"
#include "core/long_loans.h"
#include "reports/column_fit.h"
#include "reports/flow_page.h"
#include "reports/page_canvas.h"
#include "reports/page_fonts.h"
#include "reports/pdf_file.h"
#include "reports/text_lines.h"
#include "storage/database.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace reminders {
namespace {

// A borrower the letter can be addressed to: one with a first name or a surname.
const char* const named = "trim(ifnull(l.jmeno, '') || ifnull(l.prijmeni, ''), ' ' || char(9, 10, 13)) <> ''";

// The loans lent too long of the borrowers with a name (or, named false, without one).
QString loansFrom(bool withName = true)
{
    return QStringLiteral("FROM pujcovani AS p JOIN cd AS c ON c.idcd = p.idcd\n"
                          "JOIN lide AS l ON l.idcloveka = p.idcloveka\n"
                          "WHERE %1 AND %2(%3)")
        .arg(longloans::condition(), withName ? QString() : QStringLiteral("NOT "), QLatin1String(named));
}

} // namespace

QString dayInWords(const QDate& day)
{
    static const char* const months[] = {"ledna",    "února", "března", "dubna", "května",    "června",
                                         "července", "srpna", "září",   "října", "listopadu", "prosince"};
    return QStringLiteral("%1. %2 %3").arg(day.day()).arg(QString::fromUtf8(months[day.month() - 1])).arg(day.year());
}

namespace {

// The keys as a JSON array, for json_each().
QString jsonArray(const std::vector<qint64>& keys)
{
    QStringList numbers;
    for (const qint64 key : keys)
        numbers << QString::number(key);
    return QLatin1Char('[') + numbers.join(QLatin1Char(',')) + QLatin1Char(']');
}

QVariantList withPeople(int days, const QDate& today, const std::vector<qint64>* people)
{
    QVariantList params = longloans::params(days, today);
    if (people)
        params << jsonArray(*people);
    return params;
}

} // namespace

Letters::Letters(Database& db, int days, const QDate& today, const std::vector<qint64>* people)
    : Letters(db, withPeople(days, today, people),
              loansFrom() +
                  (people ? QStringLiteral(" AND p.idcloveka IN (SELECT value FROM json_each(?3))") : QString()))
{
    if (!people) // the ticked are named
        m_namelessParams = longloans::params(days, today);
}

std::unique_ptr<Letters> Letters::everyDiscOut(Database& db, const QDate& today)
{
    return std::unique_ptr<Letters>(new Letters(db, {today.toString(Qt::ISODate)},
                                                QStringLiteral("FROM pujcovani AS p JOIN cd AS c ON c.idcd = p.idcd\n"
                                                               "JOIN lide AS l ON l.idcloveka = p.idcloveka\n"
                                                               "WHERE p.vraceno = 0 AND julianday(?1) IS NOT NULL")));
}

std::unique_ptr<Letters> Letters::lentTooLong(Database& db, int days, const QDate& today)
{
    return std::unique_ptr<Letters>(new Letters(db, longloans::params(days, today),
                                                QStringLiteral("FROM pujcovani AS p JOIN cd AS c ON c.idcd = p.idcd\n"
                                                               "JOIN lide AS l ON l.idcloveka = p.idcloveka\nWHERE %1")
                                                    .arg(longloans::condition())));
}

Letters::Letters(Database& db, const QVariantList& params, const QString& from)
    : m_db(db), m_params(params), m_from(from)
{
    m_rows = std::make_unique<Statement>(
        db, QStringLiteral("SELECT l.idcloveka, l.jmeno, l.prijmeni, c.nazev, p.datumpujceni, %1, c.popis, "
                           "c.pocetdisku, c.typdisku, l.email, l.telefon\n%2\n"
                           "ORDER BY ifnull(l.prijmeni, '') COLLATE ordisk_seznam, "
                           "ifnull(l.jmeno, '') COLLATE ordisk_seznam, l.idcloveka, p.datumpujceni, "
                           "ifnull(c.nazev, '') COLLATE ordisk_seznam, p.idvypujcky")
                .arg(longloans::daysOut(), m_from));
    m_status = m_rows->status();
    if (m_status.ok())
        m_status = m_rows->bindAll(m_params);
}

Letters::~Letters()
{
    // A read lock is never left behind: the window may want to write.
    if (m_rows)
        m_rows->reset();
}

Status Letters::start()
{
    if (m_status.ok())
        m_rows->reset();
    m_pending = false;
    m_ended = false;
    return m_status;
}

bool Letters::next(Letter& letter)
{
    if (!m_status.ok() || m_ended)
        return false;
    Statement::Step step = m_pending ? Statement::Step::Row : m_rows->step();
    if (step != Statement::Step::Row) {
        if (step == Statement::Step::Error)
            m_status = m_rows->failure();
        m_ended = true;
        m_rows->reset();
        return false;
    }
    letter = Letter();
    const qint64 person = m_rows->columnInt(0);
    letter.person = person;
    letter.firstName = printedValue(m_rows->columnUtf8(1), m_rows->isNull(1));
    letter.surname = printedValue(m_rows->columnUtf8(2), m_rows->isNull(2));
    letter.email = m_rows->columnText(9).trimmed();
    letter.phone = m_rows->columnText(10).trimmed();
    do {
        letter.loans.push_back({printedValue(m_rows->columnUtf8(3), m_rows->isNull(3)),
                                printedValue(m_rows->columnUtf8(6), m_rows->isNull(6)), m_rows->columnInt(7),
                                printedValue(m_rows->columnUtf8(8), m_rows->isNull(8)),
                                QDate::fromString(m_rows->columnText(4), Qt::ISODate), m_rows->columnInt(5)});
    } while ((step = m_rows->step()) == Statement::Step::Row && m_rows->columnInt(0) == person);
    m_pending = step == Statement::Step::Row;
    if (step != Statement::Step::Row) {
        if (step == Statement::Step::Error)
            m_status = m_rows->failure();
        m_ended = true;
        m_rows->reset();
    }
    return m_status.ok();
}

qint64 Letters::nameless()
{
    qint64 people = 0;
    if (m_status.ok() && !m_namelessParams.isEmpty())
        m_status = m_db.queryInt(QStringLiteral("SELECT count(DISTINCT p.idcloveka) %1").arg(loansFrom(false)), people,
                                 m_namelessParams);
    return people;
}

QString namelessNote(qint64 people)
{
    return people == 0 ? QString()
                       : QStringLiteral("Lidé bez jména upomínku nedostali, není komu ji adresovat (počet: %1); "
                                        "doplňte jim jméno v seznamu lidí.")
                             .arg(people);
}

qint64 Letters::count()
{
    qint64 people = 0;
    if (m_status.ok())
        m_status = m_db.queryInt(QStringLiteral("SELECT count(DISTINCT p.idcloveka) %1").arg(m_from), people, m_params);
    return people;
}

QString discsInWords(const Loan& loan)
{
    const QString type = loan.discType.trimmed();
    if (loan.discCount <= 0)
        return type;
    return type.isEmpty() ? QString::number(loan.discCount) : QStringLiteral("%1× %2").arg(loan.discCount).arg(type);
}

QString greeting(const QString& firstName, bool informal)
{
    if (!informal)
        return QStringLiteral("Dobrý den,");
    const QString called = czechnames::vocative(firstName);
    return called.isEmpty() ? QStringLiteral("Ahoj,") : QStringLiteral("Ahoj %1,").arg(called);
}

QString reminderSentence(qint64 discs, bool informal)
{
    const bool one = discs == 1;
    if (informal)
        return one ? QStringLiteral("chci ti připomenout, že máš pořád půjčený tento disk:")
                   : QStringLiteral("chci ti připomenout, že máš pořád půjčené tyto disky:");
    return one ? QStringLiteral("dovoluji si Vám připomenout, že máte stále vypůjčený tento disk:")
               : QStringLiteral("dovoluji si Vám připomenout, že máte stále vypůjčené tyto disky:");
}

QString returnSentence(qint64 discs, bool informal, const QDate& by)
{
    const QString which = discs == 1 ? QStringLiteral("jeho") : QStringLiteral("jejich");
    return informal ? QStringLiteral("Prosím tě o %1 vrácení do %2. Díky.").arg(which, dayInWords(by))
                    : QStringLiteral("Prosím Vás o %1 vrácení do %2. Děkuji.").arg(which, dayInWords(by));
}

namespace {

qint64 discsOf(const Letter& letter)
{
    qint64 discs = 0;
    for (const Loan& loan : letter.loans)
        discs += std::max<qint64>(1, loan.discCount);
    return discs;
}

} // namespace

QStringList tableHeader()
{
    return {QStringLiteral("Název"), QStringLiteral("Popis"), QStringLiteral("Disky"), QStringLiteral("Půjčeno dne"),
            QStringLiteral("Dní")};
}

std::vector<QStringList> tableRows(const Letter& letter)
{
    std::vector<QStringList> rows;
    for (const Loan& loan : letter.loans)
        rows.push_back({loan.disc, loan.description, discsInWords(loan),
                        loan.lent.toString(QStringLiteral("dd.MM.yyyy")), QString::number(loan.daysOut)});
    return rows;
}

QString mailSubject()
{
    return QStringLiteral("Připomenutí půjčených disků");
}

QString letterText(const Letter& letter, const Owner& owner, const QDate& today)
{
    const qint64 discs = discsOf(letter);
    QStringList lines{greeting(letter.firstName, owner.informal), QString(), reminderSentence(discs, owner.informal)};
    for (const Loan& loan : letter.loans) {
        QStringList about{loan.description.trimmed(), discsInWords(loan)};
        about.removeAll(QString());
        lines << QStringLiteral("- %1%2, půjčeno %3 (%4)")
                     .arg(loan.disc, about.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(about.join(u", ")),
                          loan.lent.toString(QStringLiteral("dd.MM.yyyy")), longloans::daysInWords(loan.daysOut));
    }
    lines << QString() << returnSentence(discs, owner.informal, today.addDays(daysToReturn)) << QString()
          << (owner.informal ? QStringLiteral("Měj se") : QStringLiteral("S pozdravem"));
    if (!owner.name.trimmed().isEmpty())
        lines << owner.name.trimmed();
    return lines.join(QStringLiteral("\r\n"));
}

QUrl mailto(const Letter& letter, const Owner& owner, const QDate& today)
{
    if (letter.email.isEmpty())
        return QUrl();
    // Every character that is not plainly safe is encoded: "&", "=", "?", "#" and line breaks
    // in a title or a name would otherwise end or split the subject or the body.
    const QByteArray address = QUrl::toPercentEncoding(letter.email, "@");
    return QUrl::fromEncoded("mailto:" + address + "?subject=" + QUrl::toPercentEncoding(mailSubject()) +
                                 "&body=" + QUrl::toPercentEncoding(letterText(letter, owner, today)),
                             QUrl::StrictMode);
}

namespace {

// Paints a letter from its first page; false when the canvas failed.
bool paintLetter(const Letter& letter, const Owner& owner, const QDate& today, const QPagedPaintDevice& device,
                 const FlowPage::Fonts& fonts, PageCanvas& canvas)
{
    FlowPage page(device, fonts, canvas);
    if (!owner.name.trimmed().isEmpty())
        page.paragraph(owner.name.trimmed(), FlowPage::Font::Bold);
    if (!owner.contact.trimmed().isEmpty())
        page.paragraph(owner.contact.trimmed());
    page.skip(12);
    const QString place = owner.place.trimmed();
    page.paragraph((place.isEmpty() ? QString() : place + QLatin1Char(' ')) + dayInWords(today), FlowPage::Font::Body,
                   true);
    page.skip(10);
    // The addressee's name in at most two lines, here and on a continued page.
    const QString addressee = page.fitted(
        QStringList{letter.firstName, letter.surname}.join(QLatin1Char(' ')).trimmed(), FlowPage::Font::Bold, 2);
    page.paragraph(addressee, FlowPage::Font::Bold);
    page.skip(14);
    const qint64 discs = discsOf(letter);
    page.paragraph(greeting(letter.firstName, owner.informal));
    page.skip(3);
    page.paragraph(reminderSentence(discs, owner.informal));
    page.skip(4);
    const QStringList header = tableHeader();
    const std::vector<QStringList> rows = tableRows(letter);
    const std::vector<FlowPage::Column> columns =
        typeset::fitTable(header, rows, page.width(), fonts.bold, fonts.body, 2);
    page.row(header, columns, true, true);
    // A list of discs longer than the page goes on with whose letter it is and the header.
    const auto continued = [&page, &addressee] {
        page.paragraph(QStringLiteral("%1 – pokračování").arg(addressee), FlowPage::Font::Bold);
        page.skip(3);
    };
    page.onContinuedPage([&] {
        continued();
        page.row(header, columns, true, true);
    });
    for (const QStringList& row : rows)
        page.row(row, columns, false, true);
    page.onContinuedPage(continued);
    page.skip(6);
    page.paragraph(returnSentence(discs, owner.informal, today.addDays(daysToReturn)));
    page.skip(10);
    page.paragraph(owner.informal ? QStringLiteral("Měj se") : QStringLiteral("S pozdravem"));
    if (!owner.name.trimmed().isEmpty()) {
        page.skip(8);
        page.paragraph(owner.name.trimmed());
    }
    return !page.failed();
}

} // namespace

Status paintLetters(Letters& letters, const Owner& owner, const QDate& today, const QPagedPaintDevice& device,
                    PageCanvas& canvas, const listreport::Watch& watch)
{
    if (Status s = letters.start(); !s.ok())
        return s;
    const FlowPage::Fonts fonts(device);
    Letter letter;
    qint64 done = 0;
    while (letters.next(letter)) {
        if ((done++ > 0 && !canvas.newPage()) || !paintLetter(letter, owner, today, device, fonts, canvas))
            return Status::failure(QStringLiteral("Stránku nelze vytisknout."));
        if (watch && !watch(done))
            return Status::cancelled(QStringLiteral("Tisk byl zrušen."));
    }
    return letters.status();
}

Status paint(Letters& letters, const Owner& owner, const QDate& today, QPagedPaintDevice& device, QPainter& painter,
             const listreport::Watch& watch)
{
    PainterCanvas canvas(painter, device);
    return paintLetters(letters, owner, today, device, canvas, watch);
}

Status writePdf(Database& db, const Owner& owner, int days, const QDate& today, const QString& path,
                const listreport::Watch& watch, qint64* nameless, const std::vector<qint64>* people)
{
    Letters letters(db, days, today, people);
    const qint64 count = letters.count();
    const qint64 withoutName = letters.nameless();
    if (Status s = letters.status(); !s.ok())
        return s;
    if (nameless)
        *nameless = withoutName;
    if (count == 0)
        return Status::failure(
            QStringLiteral("Nikdo nemá CD půjčené déle než %1, upomínky nejsou komu psát. %2Nic nebylo uloženo.")
                .arg(longloans::daysInWords(days),
                     withoutName > 0 ? namelessNote(withoutName) + QLatin1Char(' ') : QString()));
    return pdffile::write(
        db.filePath(), path, QStringLiteral("Upomínky"), false,
        [&](QPdfWriter& writer, QPainter& painter) { return paint(letters, owner, today, writer, painter, watch); });
}

} // namespace reminders
