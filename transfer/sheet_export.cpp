#include "transfer/sheet_export.h"

#include "core/register_tables.h"
#include "storage/database.h"
#include "storage/durable_files.h"
#include "storage/file_targets.h"
#include "transfer/csv_export.h"
#include "transfer/export_rows.h"
#include "transfer/sheet_writer.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace sheetexport {
namespace {

using sheetwriter::Cell;
using sheetwriter::SheetWriter;

// The longest text a cell of an .xlsx workbook holds.
constexpr qsizetype xlsxCellLength = 32767;

bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r');
    });
}

// The rows of the list through the writer.
Status writeRows(Database& db, const QString& table, SheetWriter& writer, Format format,
                 const exportrows::Choice& choice)
{
    Status status = Status::success();
    const std::vector<int> longest = exportrows::longestValues(db, table, status, choice);
    if (!status.ok())
        return status;
    const exportrows::Listing listing = exportrows::select(db, table, status, choice);
    if (!status.ok())
        return status;
    const std::vector<tables::Column>& columns = *listing.columns;
    Statement& rows = *listing.rows;
    std::vector<double> widths;
    QStringList labels;
    for (size_t c = 0; c < columns.size(); ++c) {
        labels << columns[c].label;
        const int chars = columns[c].kind == FieldKind::Date      ? 10
                          : columns[c].kind == FieldKind::Boolean ? 3
                                                                  : longest[c];
        widths.push_back(std::clamp(std::max<int>(chars, static_cast<int>(labels.back().size())) + 2, 6, 60));
    }
    if (status = writer.begin(sheetName(table), widths); !status.ok())
        return status;
    if (status = writer.header(labels); !status.ok())
        return status;
    std::vector<Cell> cells(columns.size());
    qint64 row = 1;
    Statement::Step step;
    while ((step = rows.step()) == Statement::Step::Row) {
        ++row;
        for (size_t c = 0; c < columns.size(); ++c) {
            const int column = static_cast<int>(c);
            Cell& cell = cells[c];
            cell = Cell();
            if (rows.isNull(column))
                continue;
            cell.text = rows.columnText(column);
            cell.kind = Cell::Kind::Text;
            if (columns[c].kind == FieldKind::Boolean) {
                cell.text = fieldvalue::inWords(FieldKind::Boolean, cell.text);
            } else if (columns[c].kind == FieldKind::Integer) {
                bool whole = false;
                cell.number = static_cast<double>(cell.text.toLongLong(&whole));
                if (whole)
                    cell.kind = Cell::Kind::Number;
            } else if (columns[c].kind == FieldKind::Date) {
                cell.date = fieldvalue::storedDay(cell.text);
                if (cell.date.isValid() && cell.date.year() >= 1900 && cell.date.year() <= 9999) {
                    cell.kind = Cell::Kind::Date;
                    cell.text = cell.date.toString(QStringLiteral("dd.MM.yyyy"));
                }
            }
            const bool tooLong = format == Format::Xlsx && cell.text.size() > xlsxCellLength;
            if (cell.kind == Cell::Kind::Text && (tooLong || hasControlCharacter(cell.text))) {
                rows.reset();
                return Status::failure(
                    QStringLiteral("Řádek %1, sloupec „%2“: %3; seznam lze vyvézt jako CSV.")
                        .arg(QString::number(row), columns[c].label,
                             tooLong ? QStringLiteral("hodnota je delší, než buňka sešitu .xlsx unese (%1 znaků)")
                                           .arg(xlsxCellLength)
                                     : QStringLiteral("hodnota obsahuje řídicí znak, který sešit neunese")));
            }
        }
        if (status = writer.row(cells); !status.ok()) {
            rows.reset();
            return status;
        }
    }
    const Status failed = step == Statement::Step::Error ? rows.failure() : Status::success();
    // A read lock is never left behind: the window may want to write.
    rows.reset();
    return failed.ok() ? writer.finish() : failed;
}

} // namespace

Format formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("xlsx") ? Format::Xlsx : suffix == QLatin1String("ods") ? Format::Ods : Format::Csv;
}

QString unwrittenFormat(const QString& path)
{
    static const QStringList others = {
        QStringLiteral("ps"),    QStringLiteral("html"), QStringLiteral("htm"),  QStringLiteral("xhtml"),
        QStringLiteral("doc"),   QStringLiteral("docx"), QStringLiteral("odt"),  QStringLiteral("rtf"),
        QStringLiteral("xls"),   QStringLiteral("xlsm"), QStringLiteral("xlsb"), QStringLiteral("xlt"),
        QStringLiteral("xltx"),  QStringLiteral("fods"), QStringLiteral("ots"),  QStringLiteral("numbers"),
        QStringLiteral("json"),  QStringLiteral("xml"),  QStringLiteral("zip"),  QStringLiteral("png"),
        QStringLiteral("jpg"),   QStringLiteral("jpeg"), QStringLiteral("zaz"),  QStringLiteral("db"),
        QStringLiteral("sqlite")};
    const QString suffix = QFileInfo(path).suffix().toLower();
    return others.contains(suffix) ? QLatin1Char('.') + suffix : QString();
}

namespace {

// Each list's sheet, and the name a file of it is proposed with.
struct ListNames
{
    const char* table;
    const char* sheet;
    const char* file;
};
const ListNames listNames[] = {{"cd", "Disky", "disky"},
                               {"lide", "Lidé", "lide"},
                               {"vypujcky", "Výpůjčky", "vypujcky"},
                               {"nevracenecd", "Nevrácená CD", "nevracena-cd"},
                               {"dlouho", "Dlouho půjčená CD", "dlouho-pujcena-cd"},
                               {"nikdy", "Nikdy nepůjčená CD", "nikdy-nepujcena-cd"}};

const ListNames& namesOf(const QString& table)
{
    for (const ListNames& names : listNames)
        if (table == QLatin1String(names.table))
            return names;
    return listNames[3];
}

} // namespace

QString sheetName(const QString& table)
{
    return QString::fromUtf8(namesOf(table).sheet);
}

QString fileStem(const QString& table)
{
    return QString::fromLatin1(namesOf(table).file);
}

Status write(Database& db, const QString& table, const QString& path, Format format, const exportrows::Choice& choice)
{
    const QFileInfo target(path);
    if (target.isDir())
        return Status::failure(QStringLiteral("Soubor %1 nelze zapsat: je to složka, ne soubor.").arg(path));
    if (const QString refused = filetargets::refusedTarget(db.filePath(), path, QStringLiteral("seznam"));
        !refused.isEmpty())
        return Status::failure(refused);
    if (format == Format::Csv) {
        // Written aside and moved in whole: a failed export leaves the file as it was.
        QSaveFile out(path);
        const auto failed = [&path] {
            return Status::failure(
                QStringLiteral("Soubor %1 nelze zapsat: %2.").arg(path, filetargets::problem(path, errno)));
        };
        if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return failed();
        if (Status s = csvexport::write(db, table, out, choice); !s.ok())
            return s;
        return out.commit() ? Status::success() : failed();
    }
    // The workbook and the library's scratch files are made in a folder that only the owner
    // may enter (QTemporaryDir makes it so), then the workbook alone is moved into place.
    QTemporaryDir building(target.absoluteDir().filePath(QStringLiteral(".ordisk-XXXXXX")));
    if (!building.isValid())
        return Status::failure(
            QStringLiteral("Soubor %1 nelze zapsat: %2.").arg(path, filetargets::problem(path, errno)));
    const QString made = building.filePath(QStringLiteral("sesit"));
    Status status = Status::success();
    {
        const std::unique_ptr<SheetWriter> writer =
            format == Format::Xlsx ? sheetwriter::xlsx(made, building.path()) : sheetwriter::ods(made, building.path());
        status = writeRows(db, table, *writer, format, choice);
    }
    if (!status.ok())
        return status;
    const QByteArray native = QFile::encodeName(made);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fchmod(fd, 0600) == 0 && durable::syncFile(fd) == 0;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!synced || ::rename(native.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        return Status::failure(
            QStringLiteral("Soubor %1 nelze zapsat: %2.").arg(path, systemErrorText(synced ? errno : error)));
    durable::syncFolder(target.absolutePath());
    return Status::success();
}

} // namespace sheetexport
