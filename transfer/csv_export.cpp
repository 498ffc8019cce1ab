#include "transfer/csv_export.h"

#include "core/register_tables.h"
#include "storage/database.h"
#include "transfer/export_rows.h"

#include <QIODevice>

#include <cerrno>
#include <string_view>

namespace csvexport {
namespace {

constexpr qsizetype flushAt = 64 * 1024;

Status writeOut(QIODevice& out, QByteArray& buffer)
{
    if (out.write(buffer) != buffer.size())
        return Status::failure(QStringLiteral("Soubor nelze zapsat: %1.").arg(systemErrorText(errno)));
    buffer.clear();
    return Status::success();
}

} // namespace

namespace {

// What a spreadsheet computes a text beginning with, and the mark itself.
constexpr std::string_view computed = "=+-@\t\r'";

} // namespace

std::string marked(std::string_view text)
{
    if (text.empty() || computed.find(text.front()) == std::string_view::npos)
        return std::string(text);
    return "'" + std::string(text);
}

QString unmarked(const QString& field)
{
    if (field.size() >= 2 && field.front() == QLatin1Char('\'') &&
        computed.find(static_cast<char>(field[1].unicode())) != std::string_view::npos && field[1].unicode() < 0x80)
        return field.mid(1);
    return field;
}

void appendField(QByteArray& line, std::string_view value)
{
    if (value.find_first_of(";,\"\r\n") == std::string_view::npos) {
        line.append(value.data(), static_cast<qsizetype>(value.size()));
        return;
    }
    line += '"';
    for (const char c : value) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

Status write(Database& db, const QString& table, QIODevice& out, const exportrows::Choice& choice)
{
    Status status = Status::success();
    const exportrows::Listing listing = exportrows::select(db, table, status, choice);
    if (!status.ok())
        return status;
    const std::vector<tables::Column>& columns = *listing.columns;
    Statement& rows = *listing.rows;

    QByteArray buffer("\xEF\xBB\xBF"); // the byte order mark: spreadsheets read the file as UTF-8
    for (size_t c = 0; c < columns.size(); ++c) {
        if (c)
            buffer += ';';
        appendField(buffer, columns[c].label.toUtf8().toStdString());
    }
    buffer += "\r\n";
    Statement::Step step;
    while ((step = rows.step()) == Statement::Step::Row) {
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c)
                buffer += ';';
            const int column = static_cast<int>(c);
            if (rows.isNull(column))
                continue;
            const std::string_view value = rows.columnUtf8(column);
            if (columns[c].kind == FieldKind::Boolean)
                buffer += value.empty() || value == "0" ? "Ne" : "Ano";
            else if (columns[c].kind == FieldKind::Text)
                appendField(buffer, marked(value));
            else
                appendField(buffer, value);
        }
        buffer += "\r\n";
        if (buffer.size() >= flushAt)
            if (Status s = writeOut(out, buffer); !s.ok())
                return s;
    }
    const Status failed = step == Statement::Step::Error ? rows.failure() : Status::success();
    // A read lock is never left behind: the window may want to write.
    rows.reset();
    return failed.ok() ? writeOut(out, buffer) : failed;
}

} // namespace csvexport
