#include "transfer/csv_import.h"

#include "transfer/csv_export.h"
#include "transfer/text_encoding.h"

#include <QBuffer>
#include <QIODevice>
#include <QStringDecoder>

#include <csv.h>

#include <algorithm>

namespace csvimport {
namespace {

constexpr qint64 chunk = 1 << 20;

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

// The CSV reader's records, numbered as a spreadsheet numbers its rows, handed to the rows.
struct Reading
{
    explicit Reading(importrows::Rows& into) : rows(into) {}

    importrows::Rows& rows;
    qint64 records = 0;           // records read (the header is the first)
    qint64 emptyLines = 0;        // lines with nothing on them between records: rows too
    qint64 recordRow = 0;         // the row of the record being read
    qint64 recordBytes = 0;       // read of the record so far
    bool betweenRows = true;      // no record is begun
    bool endsInLineBreak = false; // the file's last line ends as a line does
    std::vector<QString> fields;  // of the record being read

    void record()
    {
        for (QString& field : fields)
            field = csvexport::unmarked(field);
        rows.record(fields, recordRow);
        fields.clear();
    }
};

void beginRecord(Reading* r)
{
    if (!r->betweenRows)
        return;
    r->betweenRows = false;
    r->recordRow = r->records + r->emptyLines + 1;
}

void fieldRead(void* text, size_t length, void* reading)
{
    auto* r = static_cast<Reading*>(reading);
    beginRecord(r);
    r->fields.push_back(QString::fromUtf8(static_cast<const char*>(text), static_cast<qsizetype>(length)));
}

void recordRead(int end, void* reading)
{
    auto* r = static_cast<Reading*>(reading);
    beginRecord(r);
    // A record the end of the file ends, although the file ends in a line break, is a
    // quoted value never closed: it took in the lines after it.
    if (end == -1 && r->endsInLineBreak)
        r->rows.stop(r->recordRow, QStringLiteral("Uvozovky otevřené na tomto řádku nejsou uzavřeny."));
    else
        r->record();
    ++r->records;
    r->betweenRows = true;
    r->recordBytes = 0;
}

int noSpace(unsigned char)
{
    return 0; // values are kept as they stand, blanks too
}

// Feeds the text, in UTF-8, to the CSV reader a line (or what the chunk holds of it) at a
// time, counting the empty lines between records (the reader passes over them silently).
bool feed(csv_parser& parser, Reading& r, QByteArrayView text, bool& atLineStart)
{
    qsizetype from = 0;
    while (from < text.size() && !r.rows.stopped()) {
        qsizetype end = from;
        while (end < text.size() && text[end] != '\n' &&
               !(text[end] == '\r' && (end + 1 == text.size() || text[end + 1] != '\n')))
            ++end;
        const bool lineEnds = end < text.size();
        end = std::min(end + 1, text.size());
        const QByteArrayView piece = text.sliced(from, end - from);
        if (atLineStart && r.betweenRows && (piece == "\n" || piece == "\r\n" || piece == "\r"))
            ++r.emptyLines;
        atLineStart = lineEnds;
        if (csv_parse(&parser, piece.data(), static_cast<size_t>(piece.size()), fieldRead, recordRead, &r) !=
            static_cast<size_t>(piece.size()))
            return false;
        r.recordBytes += piece.size();
        if (r.recordBytes > maxRecordBytes)
            r.rows.stop(r.recordRow, QStringLiteral("Záznam začínající na tomto řádku je delší než %1 MB; soubor "
                                                    "nelze přidat.")
                                         .arg(maxRecordBytes >> 20));
        from = end;
    }
    return true;
}

} // namespace

importrows::Outcome run(Database* db, const QString& table, QIODevice& file, const importrows::Options& options)
{
    importrows::Outcome refused;
    const std::unique_ptr<importrows::Rows> rows = importrows::Rows::make(db, table, options, refused);
    if (!rows)
        return refused;
    const textencoding::Found found = textencoding::examine(file);
    if (!found.refusal.isEmpty()) {
        importrows::refuse(refused, found.line, found.refusal);
        return refused;
    }
    if (!rows->begin())
        return rows->finish();
    if (!file.seek(found.byteOrderMark ? 3 : 0)) {
        rows->fail(Status::failure(QStringLiteral("Soubor nelze číst znovu od začátku.")));
        return rows->finish();
    }
    QStringDecoder windows("windows-1250");
    if (found.encoding == textencoding::Encoding::Windows1250 && !windows.isValid()) {
        rows->fail(Status::failure(QStringLiteral("Kódování Windows-1250 není k dispozici.")));
        return rows->finish();
    }
    rows->setEncoding(found.guessed ? textencoding::nameOf(found.encoding) : QString());
    Reading reading(*rows);
    csv_parser parser{};
    // Lenient, as spreadsheets read: a quote inside an unquoted value (3,5") is the value's own.
    if (csv_init(&parser, 0) != 0) {
        rows->fail(Status::failure(QStringLiteral("Nedostatek paměti.")));
        return rows->finish();
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
    while (!rows->stopped() && !failed) {
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
        failed = !feed(parser, reading, text, atLineStart);
    }
    reading.endsInLineBreak = last == '\n' || last == '\r';
    if (!rows->stopped() && (failed || csv_fini(&parser, fieldRead, recordRead, &reading) != 0))
        rows->stop(reading.recordRow, QStringLiteral("Soubor nelze přečíst: nedostatek paměti."));
    csv_free(&parser);
    return rows->finish();
}

importrows::Outcome run(Database* db, const QString& table, const QByteArray& file, const importrows::Options& options)
{
    QByteArray bytes = file;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return run(db, table, buffer, options);
}

} // namespace csvimport
