#include "transfer/csv_import.h"

#include "core/field_value.h"
#include "core/new_records.h"
#include "core/register_tables.h"
#include "core/value_lists.h"
#include "storage/database.h"
#include "transfer/text_encoding.h"

#include <QBuffer>
#include <QIODevice>
#include <QStringDecoder>

#include <csv.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace csvimport {
namespace {

constexpr qint64 progressEvery = 1000;

constexpr qint64 chunk = 1 << 20;
// How much of a value from the file a message shows.
constexpr qsizetype shownLength = 60;

// A value from the file as a message shows it: on one line, cut to a readable length.
QString shown(const QString& value)
{
    QString text = value.left(shownLength);
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return value.size() > shownLength ? text + QStringLiteral("…") : text;
}

// The separator the header row uses most: ";", "," or a tab (";" when it uses none).
unsigned char separatorOf(QByteArrayView text)
{
    const unsigned char candidates[] = {';', ',', '\t'};
    qsizetype counts[] = {0, 0, 0};
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        for (int i = 0; i < 3; ++i)
            if (!quoted && static_cast<unsigned char>(c) == candidates[i])
                ++counts[i];
    }
    const auto most = std::max_element(std::begin(counts), std::end(counts)) - std::begin(counts);
    return candidates[most];
}

// Keeps the first refusals and counts every one: a file of bad rows costs no memory.
void refuse(Outcome& outcome, qint64 line, const QString& message)
{
    if (outcome.problems.size() < keptProblems)
        outcome.problems.push_back({line, message});
    ++outcome.refused;
}

// What one import does with the records the CSV reader hands over, line by line.
class Reading
{
public:
    Reading(Database* db, const tables::Table& table, bool dryRun, const std::function<void(qint64)>& progress)
        : m_db(db), m_table(table), m_disc(table.name == QLatin1String("cd")), m_dryRun(dryRun || !db),
          m_progress(progress)
    {
    }

    Outcome outcome;
    qint64 line = 0;              // the line being read
    qint64 nextLine = 0;          // where the next record begins (0: not yet known)
    qint64 recordLine = 0;        // where the record being read began
    qint64 recordBytes = 0;       // read of the record so far
    bool betweenRows = true;      // no record is begun
    bool endsInLineBreak = false; // the file's last line ends as a line does
    std::vector<QString> fields;  // of the record being read
    bool stopped = false;         // the header or the register failed: nothing more is read

    // Opens the transaction the rows are added in (none on a dry run).
    void begin()
    {
        if (m_dryRun)
            return;
        m_transaction = std::make_unique<Transaction>(*m_db);
        outcome.status = m_transaction->status();
        stopped = !outcome.status.ok();
    }

    void record()
    {
        if (stopped)
            return;
        if (m_columnOf.empty()) {
            header();
        } else {
            row();
            if (m_progress && ++m_read % progressEvery == 0)
                m_progress(m_read);
        }
        fields.clear();
    }

    void unclosedQuote()
    {
        refuse(QStringLiteral("Uvozovky otevřené na tomto řádku nejsou uzavřeny."));
        stopped = true;
    }

    // A record longer than any a spreadsheet holds: refused at once, with the file.
    void tooLong()
    {
        refuse(QStringLiteral("Záznam začínající na tomto řádku je delší než %1 MB; soubor nelze přidat.")
                   .arg(maxRecordBytes >> 20));
        stopped = true;
    }

    // Whether a header row was read.
    bool sawHeader() const { return !m_columnOf.empty(); }

    // Stores the rows when every one passed.
    void finish()
    {
        if (m_transaction && outcome.status.ok() && outcome.refused == 0)
            outcome.status = m_transaction->commit();
        m_transaction.reset();
    }

private:
    void refuse(const QString& message) { csvimport::refuse(outcome, recordLine, message); }

    // The header row: each name a column of the table, by its label or field name.
    void header()
    {
        m_columnOf.assign(std::max<size_t>(fields.size(), 1), -1);
        std::vector<bool> named(m_table.columns.size(), false);
        for (size_t f = 0; f < fields.size(); ++f) {
            const QString name = fields[f].trimmed();
            const auto found = std::find_if(m_table.columns.begin(), m_table.columns.end(), [&](const auto& c) {
                return name.compare(c.name, Qt::CaseInsensitive) == 0 ||
                       name.compare(c.label, Qt::CaseInsensitive) == 0;
            });
            if (name.isEmpty()) {
                continue; // a column without a name (a spreadsheet's trailing one) must stay empty
            } else if (found == m_table.columns.end()) {
                refuse(QStringLiteral("Neznámý sloupec „%1“.").arg(shown(name)));
            } else if (const auto c = static_cast<size_t>(found - m_table.columns.begin()); named[c]) {
                refuse(QStringLiteral("Sloupec „%1“ je v záhlaví dvakrát.").arg(found->label));
            } else {
                named[c] = true;
                m_columnOf[f] = static_cast<int>(c);
            }
        }
        const QStringList required = newrecords::requiredFields(m_table.name);
        for (size_t c = 0; c < m_table.columns.size(); ++c)
            if (!named[c] && required.contains(m_table.columns[c].name))
                refuse(QStringLiteral("V souboru chybí sloupec „%1“.").arg(m_table.columns[c].label));
        stopped = outcome.refused > 0;
        if (stopped)
            return;
        // The key is the register's to give: a key in the file is read and left aside.
        QStringList columns;
        for (size_t c = 1; c < m_table.columns.size(); ++c)
            columns << m_table.columns[c].name;
        if (!m_dryRun) {
            m_insert = std::make_unique<Statement>(
                m_db->handle(), QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                    .arg(m_table.name, columns.join(QStringLiteral(", ")),
                                         QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "))));
            outcome.status = m_insert->status();
            stopped = !outcome.status.ok();
        }
    }

    void row()
    {
        if (std::all_of(fields.begin(), fields.end(), [](const QString& f) { return f.trimmed().isEmpty(); }))
            return; // an empty line of the spreadsheet
        newrecords::Entries entries;
        for (size_t f = 0; f < fields.size(); ++f) {
            if (f < m_columnOf.size() && m_columnOf[f] >= 0)
                entries.insert(m_table.columns[static_cast<size_t>(m_columnOf[f])].name, fields[f]);
            else if (!fields[f].trimmed().isEmpty())
                return refuse(QStringLiteral("Hodnota „%1“ je ve sloupci č. %2, který nemá v záhlaví název.")
                                  .arg(shown(fields[f]), QString::number(f + 1)));
        }
        const newrecords::Refusal refusal = m_disc ? newrecords::checkDisc(entries) : newrecords::checkPerson(entries);
        if (!refusal.ok())
            return refuse(refusal.message);
        QVariantList values;
        for (size_t c = 1; c < m_table.columns.size(); ++c) {
            const tables::Column& column = m_table.columns[c];
            QString text = entries.value(column.name, QLatin1String(""));
            if (column.name == QLatin1String("typdisku"))
                text = newrecords::listItem(valuelists::discTypes(), text);
            else if (column.name == QLatin1String("typobsahu"))
                text = newrecords::listItem(valuelists::contentTypes(), text);
            QVariant value;
            if (Status s = fieldvalue::toStored(column.kind, column.name, text, value); !s.ok())
                return refuse(s.message());
            values << value;
        }
        ++outcome.rows;
        if (m_dryRun || outcome.refused > 0)
            return; // checked only: nothing will be stored
        m_insert->reset();
        if (Status s = m_insert->bindAll(values); !s.ok()) {
            outcome.status = s;
        } else if (m_insert->step() == Statement::Step::Error) {
            outcome.status = m_insert->failure();
        }
        stopped = !outcome.status.ok();
    }

    Database* m_db;
    const tables::Table& m_table;
    const bool m_disc;
    const bool m_dryRun;
    std::function<void(qint64)> m_progress;
    qint64 m_read = 0;           // rows read, passed or refused
    std::vector<int> m_columnOf; // per field of the header: the table's column, -1 for one without a name
    std::unique_ptr<Transaction> m_transaction;
    std::unique_ptr<Statement> m_insert;
};

// A record begins at the first line after the last one that is not blank.
void beginRecord(Reading* r)
{
    if (!r->betweenRows)
        return;
    r->betweenRows = false;
    r->recordLine = r->nextLine ? r->nextLine : r->line;
}

void fieldRead(void* text, size_t length, void* rows)
{
    auto* r = static_cast<Reading*>(rows);
    beginRecord(r);
    r->fields.push_back(QString::fromUtf8(static_cast<const char*>(text), static_cast<qsizetype>(length)));
}

void recordRead(int end, void* rows)
{
    auto* r = static_cast<Reading*>(rows);
    beginRecord(r);
    // A record the end of the file ends, although the file ends in a line break, is a
    // quoted value never closed: it took in the lines after it.
    if (end == -1 && r->endsInLineBreak)
        r->unclosedQuote();
    else
        r->record();
    r->betweenRows = true;
    r->nextLine = 0;
    r->recordBytes = 0;
}

int noSpace(unsigned char)
{
    return 0; // values are kept as they stand, blanks too
}

// Feeds the text, in UTF-8, to the CSV reader a line (or what the chunk holds of it) at a
// time, so that each record is known by the line it begins on.
bool feed(csv_parser& parser, Reading& rows, QByteArrayView text, bool& atLineStart)
{
    qsizetype from = 0;
    while (from < text.size() && !rows.stopped) {
        qsizetype end = from;
        while (end < text.size() && text[end] != '\n' &&
               !(text[end] == '\r' && (end + 1 == text.size() || text[end + 1] != '\n')))
            ++end;
        const bool lineEnds = end < text.size();
        end = std::min(end + 1, text.size());
        if (atLineStart)
            ++rows.line;
        atLineStart = lineEnds;
        const QByteArrayView piece = text.sliced(from, end - from);
        if (rows.betweenRows && !rows.nextLine && !piece.trimmed().isEmpty())
            rows.nextLine = rows.line;
        if (csv_parse(&parser, piece.data(), static_cast<size_t>(piece.size()), fieldRead, recordRead, &rows) !=
            static_cast<size_t>(piece.size()))
            return false;
        rows.recordBytes += piece.size();
        if (rows.recordBytes > maxRecordBytes)
            rows.tooLong();
        from = end;
    }
    return true;
}

} // namespace

const QStringList& names()
{
    static const QStringList importable = {QStringLiteral("cd"), QStringLiteral("lide")};
    return importable;
}

Outcome run(Database* db, const QString& table, QIODevice& file, bool dryRun,
            const std::function<void(qint64)>& progress, const std::function<Status()>& beforeWriting)
{
    Outcome outcome;
    const tables::Table* declared = tables::find(table);
    if (!declared || !names().contains(table)) {
        refuse(outcome, 0, QStringLiteral("Přidat ze souboru lze jen cd nebo lide."));
        return outcome;
    }
    const textencoding::Found found = textencoding::examine(file);
    if (!found.refusal.isEmpty()) {
        refuse(outcome, found.line, found.refusal);
        return outcome;
    }
    // Nothing is added to a damaged register (a dry run tells it as the import would).
    if (db)
        if (outcome.status = db->checkWhole(); !outcome.status.ok())
            return outcome;
    if (db && !dryRun && beforeWriting)
        if (outcome.status = beforeWriting(); !outcome.status.ok())
            return outcome;
    if (!file.seek(found.byteOrderMark ? 3 : 0)) {
        outcome.status = Status::failure(QStringLiteral("Soubor nelze číst znovu od začátku."));
        return outcome;
    }
    QStringDecoder windows("windows-1250");
    if (found.encoding == textencoding::Encoding::Windows1250 && !windows.isValid()) {
        outcome.status = Status::failure(QStringLiteral("Kódování Windows-1250 není k dispozici."));
        return outcome;
    }
    Reading rows(db, *declared, dryRun, progress);
    rows.outcome.encoding = found.guessed ? textencoding::nameOf(found.encoding) : QString();
    rows.begin();
    csv_parser parser{};
    // Lenient, as spreadsheets read: a quote inside an unquoted value (3,5") is the value's own.
    if (csv_init(&parser, 0) != 0) {
        rows.outcome.status = Status::failure(QStringLiteral("Nedostatek paměti."));
        return rows.outcome;
    }
    csv_set_space_func(&parser, noSpace);
    // A long value grows the reader's buffer by this much at a time (by default 128 bytes,
    // which copies a value of megabytes over and over).
    csv_set_blk_size(&parser, 256 << 10);
    bool failed = false;
    bool first = true;
    bool atLineStart = true;
    char last = '\0';
    QByteArray heldCr; // a CR that ends a chunk waits for the LF that may follow it
    while (!rows.stopped && !failed) {
        QByteArray bytes = heldCr + file.read(chunk);
        heldCr.clear();
        if (bytes.isEmpty())
            break;
        if (bytes.endsWith('\r') && !file.atEnd()) {
            bytes.chop(1);
            heldCr = QByteArrayLiteral("\r");
        }
        const QByteArray text =
            found.encoding == textencoding::Encoding::Utf8 ? bytes : QString(windows(bytes)).toUtf8();
        if (text.isEmpty())
            continue;
        if (first)
            csv_set_delim(&parser, separatorOf(text));
        first = false;
        last = text.back();
        failed = !feed(parser, rows, text, atLineStart);
    }
    rows.endsInLineBreak = last == '\n' || last == '\r';
    if (!rows.stopped && (failed || csv_fini(&parser, fieldRead, recordRead, &rows) != 0))
        refuse(rows.outcome, rows.recordLine, QStringLiteral("Soubor nelze přečíst: nedostatek paměti."));
    csv_free(&parser);
    if (!rows.sawHeader() && rows.outcome.refused == 0 && rows.outcome.status.ok())
        refuse(rows.outcome, 0, QStringLiteral("Soubor je prázdný, chybí v něm záhlaví se sloupci."));
    rows.finish();
    return rows.outcome;
}

Outcome run(Database* db, const QString& table, const QByteArray& file, bool dryRun,
            const std::function<void(qint64)>& progress)
{
    QByteArray bytes = file;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return run(db, table, buffer, dryRun, progress);
}

} // namespace csvimport
