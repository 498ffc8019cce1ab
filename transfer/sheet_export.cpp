#include "transfer/sheet_export.h"

#include "core/register_tables.h"
#include "storage/database.h"
#include "storage/durable_files.h"
#include "transfer/csv_export.h"
#include "transfer/export_rows.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QXmlStreamWriter>

#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <list>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace sheetexport {
namespace {

// The longest text a cell of an .xlsx workbook holds.
constexpr qsizetype xlsxCellLength = 32767;

// A cell as the sheet types it.
struct Cell
{
    enum class Kind { Empty, Text, Number, Date } kind = Kind::Empty;
    QString text; // the text, or the number's or date's digits as shown
    double number = 0;
    QDate date;
};

// Each writer takes the header and then the rows, one at a time.
class SheetWriter
{
public:
    virtual ~SheetWriter() = default;
    virtual Status begin(const QString& sheet, const std::vector<double>& widths) = 0;
    virtual Status header(const QStringList& labels) = 0;
    virtual Status row(const std::vector<Cell>& cells) = 0;
    virtual Status finish() = 0;
};

Status workbookFailure(const QString& why)
{
    return Status::failure(QStringLiteral("Sešit nelze zapsat: %1.").arg(why));
}

// ------------------------------------------------------------------------- .xlsx

class XlsxWriter : public SheetWriter
{
public:
    explicit XlsxWriter(const QString& path, const QString& scratch)
        : m_path(QFile::encodeName(path)), m_scratch(QFile::encodeName(scratch))
    {
    }
    ~XlsxWriter() override
    {
        if (m_book)
            workbook_close(m_book); // a failed export: what it wrote is removed with its folder
    }

    Status begin(const QString& sheet, const std::vector<double>& widths) override
    {
        // Constant memory: each row goes to a temporary file (in the export's own folder)
        // once the next begins.
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_scratch.data();
        options.use_zip64 = LXW_TRUE;
        m_book = workbook_new_opt(m_path.constData(), &options);
        if (!m_book)
            return workbookFailure(QStringLiteral("nedostatek paměti"));
        m_sheet = workbook_add_worksheet(m_book, sheet.toUtf8().constData());
        m_bold = workbook_add_format(m_book);
        format_set_bold(m_bold);
        m_date = workbook_add_format(m_book);
        format_set_num_format(m_date, "dd.mm.yyyy");
        m_wrap = workbook_add_format(m_book);
        format_set_text_wrap(m_wrap);
        for (size_t c = 0; c < widths.size(); ++c)
            worksheet_set_column(m_sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c], nullptr);
        worksheet_freeze_panes(m_sheet, 1, 0);
        return Status::success();
    }

    Status header(const QStringList& labels) override
    {
        for (qsizetype c = 0; c < labels.size(); ++c)
            if (lxw_error e = worksheet_write_string(m_sheet, 0, static_cast<lxw_col_t>(c),
                                                     labels[c].toUtf8().constData(), m_bold))
                return failed(e);
        m_row = 1;
        return Status::success();
    }

    Status row(const std::vector<Cell>& cells) override
    {
        for (size_t c = 0; c < cells.size(); ++c) {
            const Cell& cell = cells[c];
            const auto column = static_cast<lxw_col_t>(c);
            lxw_error e = LXW_NO_ERROR;
            if (cell.kind == Cell::Kind::Text) {
                const QByteArray utf8 = cell.text.toUtf8();
                e = worksheet_write_string(m_sheet, m_row, column, utf8.constData(),
                                           cell.text.contains(QLatin1Char('\n')) ? m_wrap : nullptr);
            } else if (cell.kind == Cell::Kind::Number) {
                e = worksheet_write_number(m_sheet, m_row, column, cell.number, nullptr);
            } else if (cell.kind == Cell::Kind::Date) {
                lxw_datetime day = {cell.date.year(), cell.date.month(), cell.date.day(), 0, 0, 0};
                e = worksheet_write_datetime(m_sheet, m_row, column, &day, m_date);
            }
            if (e != LXW_NO_ERROR)
                return failed(e);
        }
        ++m_row;
        return Status::success();
    }

    Status finish() override
    {
        const lxw_error e = workbook_close(m_book);
        m_book = nullptr;
        return e == LXW_NO_ERROR ? Status::success() : failed(e);
    }

private:
    Status failed(lxw_error e) const
    {
        if (e == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE)
            return workbookFailure(QStringLiteral("list má víc řádků, než jich list sešitu .xlsx unese (1 048 576)"));
        if (e == LXW_ERROR_CREATING_XLSX_FILE || e == LXW_ERROR_CREATING_TMPFILE)
            return workbookFailure(systemErrorText(errno));
        return workbookFailure(QString::fromUtf8(lxw_strerror(e)));
    }

    QByteArray m_path;
    QByteArray m_scratch;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_bold = nullptr;
    lxw_format* m_date = nullptr;
    lxw_format* m_wrap = nullptr;
    lxw_row_t m_row = 0;
};

// ------------------------------------------------------------------------- .ods

const QString office = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString styleNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString textNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString tableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString foNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
const QString numberNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0");
const QString configNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:config:1.0");
const QString manifestNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
const char* const odsType = "application/vnd.oasis.opendocument.spreadsheet";

void namespaces(QXmlStreamWriter& xml)
{
    xml.writeNamespace(office, QStringLiteral("office"));
    xml.writeNamespace(styleNs, QStringLiteral("style"));
    xml.writeNamespace(textNs, QStringLiteral("text"));
    xml.writeNamespace(tableNs, QStringLiteral("table"));
    xml.writeNamespace(foNs, QStringLiteral("fo"));
    xml.writeNamespace(numberNs, QStringLiteral("number"));
    xml.writeNamespace(configNs, QStringLiteral("config"));
}

// A text as paragraphs, one a line; a space that XML would fold (at a paragraph's ends, or
// beside another) and a tab are written as elements of their own.
void writeParagraphs(QXmlStreamWriter& xml, QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        xml.writeStartElement(textNs, QStringLiteral("p"));
        QString run;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            const bool foldedSpace =
                c == QLatin1Char(' ') &&
                (i == 0 || i + 1 == line.size() || line[i - 1] == QLatin1Char(' ') || line[i + 1] == QLatin1Char(' '));
            if (!foldedSpace && c != QLatin1Char('\t')) {
                run += c;
                continue;
            }
            if (!run.isEmpty())
                xml.writeCharacters(run);
            run.clear();
            if (c == QLatin1Char('\t')) {
                xml.writeEmptyElement(textNs, QStringLiteral("tab"));
                continue;
            }
            qsizetype spaces = 1;
            while (i + spaces < line.size() && line[i + spaces] == QLatin1Char(' '))
                ++spaces;
            xml.writeEmptyElement(textNs, QStringLiteral("s"));
            if (spaces > 1)
                xml.writeAttribute(textNs, QStringLiteral("c"), QString::number(spaces));
            i += spaces - 1;
        }
        if (!run.isEmpty())
            xml.writeCharacters(run);
        xml.writeEndElement();
    }
}

QByteArray odsManifest()
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(manifestNs, QStringLiteral("manifest"));
    xml.writeStartElement(manifestNs, QStringLiteral("manifest"));
    xml.writeAttribute(manifestNs, QStringLiteral("version"), QStringLiteral("1.2"));
    const std::pair<const char*, const char*> entries[] = {
        {"/", odsType}, {"content.xml", "text/xml"}, {"styles.xml", "text/xml"}, {"settings.xml", "text/xml"}};
    for (const auto& [path, type] : entries) {
        xml.writeEmptyElement(manifestNs, QStringLiteral("file-entry"));
        xml.writeAttribute(manifestNs, QStringLiteral("full-path"), QString::fromLatin1(path));
        if (path[0] == '/')
            xml.writeAttribute(manifestNs, QStringLiteral("version"), QStringLiteral("1.2"));
        xml.writeAttribute(manifestNs, QStringLiteral("media-type"), QString::fromLatin1(type));
    }
    xml.writeEndDocument();
    return bytes;
}

QByteArray odsStyles()
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    namespaces(xml);
    xml.writeStartElement(office, QStringLiteral("document-styles"));
    xml.writeAttribute(office, QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeStartElement(office, QStringLiteral("styles"));
    xml.writeEmptyElement(styleNs, QStringLiteral("style"));
    xml.writeAttribute(styleNs, QStringLiteral("name"), QStringLiteral("Default"));
    xml.writeAttribute(styleNs, QStringLiteral("family"), QStringLiteral("table-cell"));
    xml.writeEndDocument();
    return bytes;
}

// The view's settings: the header row frozen, as Calc keeps a split of the window.
QByteArray odsSettings(const QString& sheet)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    namespaces(xml);
    xml.writeStartElement(office, QStringLiteral("document-settings"));
    xml.writeAttribute(office, QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeStartElement(office, QStringLiteral("settings"));
    xml.writeStartElement(configNs, QStringLiteral("config-item-set"));
    xml.writeAttribute(configNs, QStringLiteral("name"), QStringLiteral("ooo:view-settings"));
    xml.writeStartElement(configNs, QStringLiteral("config-item-map-indexed"));
    xml.writeAttribute(configNs, QStringLiteral("name"), QStringLiteral("Views"));
    xml.writeStartElement(configNs, QStringLiteral("config-item-map-entry"));
    const auto item = [&xml](const char* name, const char* type, const QString& value) {
        xml.writeStartElement(configNs, QStringLiteral("config-item"));
        xml.writeAttribute(configNs, QStringLiteral("name"), QString::fromLatin1(name));
        xml.writeAttribute(configNs, QStringLiteral("type"), QString::fromLatin1(type));
        xml.writeCharacters(value);
        xml.writeEndElement();
    };
    item("ViewId", "string", QStringLiteral("view1"));
    xml.writeStartElement(configNs, QStringLiteral("config-item-map-named"));
    xml.writeAttribute(configNs, QStringLiteral("name"), QStringLiteral("Tables"));
    xml.writeStartElement(configNs, QStringLiteral("config-item-map-entry"));
    xml.writeAttribute(configNs, QStringLiteral("name"), sheet);
    item("VerticalSplitMode", "short", QStringLiteral("2"));
    item("VerticalSplitPosition", "int", QStringLiteral("1"));
    item("ActiveSplitRange", "short", QStringLiteral("2"));
    item("PositionTop", "int", QStringLiteral("0"));
    item("PositionBottom", "int", QStringLiteral("1"));
    xml.writeEndDocument();
    return bytes;
}

class OdsWriter : public SheetWriter
{
public:
    OdsWriter(const QString& path, const QString& scratch)
        : m_path(path), m_content(QDir(scratch).filePath(QStringLiteral("content.xml")))
    {
    }

    Status begin(const QString& sheet, const std::vector<double>& widths) override
    {
        m_sheet = sheet;
        if (!m_content.open(QIODevice::WriteOnly))
            return workbookFailure(systemErrorText(errno));
        m_xml.setDevice(&m_content);
        m_xml.writeStartDocument();
        namespaces(m_xml);
        m_xml.writeStartElement(office, QStringLiteral("document-content"));
        m_xml.writeAttribute(office, QStringLiteral("version"), QStringLiteral("1.2"));
        m_xml.writeStartElement(office, QStringLiteral("automatic-styles"));
        m_xml.writeStartElement(numberNs, QStringLiteral("date-style"));
        m_xml.writeAttribute(styleNs, QStringLiteral("name"), QStringLiteral("N1"));
        for (const char* part : {"day", ".", "month", ".", "year"}) {
            if (part[0] == '.') {
                m_xml.writeTextElement(numberNs, QStringLiteral("text"), QStringLiteral("."));
                continue;
            }
            m_xml.writeEmptyElement(numberNs, QString::fromLatin1(part));
            m_xml.writeAttribute(numberNs, QStringLiteral("style"), QStringLiteral("long"));
        }
        m_xml.writeEndElement();
        for (size_t c = 0; c < widths.size(); ++c) {
            m_xml.writeStartElement(styleNs, QStringLiteral("style"));
            m_xml.writeAttribute(styleNs, QStringLiteral("name"), QStringLiteral("co%1").arg(c + 1));
            m_xml.writeAttribute(styleNs, QStringLiteral("family"), QStringLiteral("table-column"));
            m_xml.writeEmptyElement(styleNs, QStringLiteral("table-column-properties"));
            // Calc's character width at its default font, as .xlsx counts widths in characters.
            m_xml.writeAttribute(styleNs, QStringLiteral("column-width"),
                                 QStringLiteral("%1cm").arg(widths[c] * 0.2 + 0.2, 0, 'f', 2));
            m_xml.writeEndElement();
        }
        const std::pair<const char*, const char*> cellStyles[] = {{"ce1", nullptr}, {"ce2", "N1"}, {"ce3", nullptr}};
        for (const auto& [name, dataStyle] : cellStyles) {
            m_xml.writeStartElement(styleNs, QStringLiteral("style"));
            m_xml.writeAttribute(styleNs, QStringLiteral("name"), QString::fromLatin1(name));
            m_xml.writeAttribute(styleNs, QStringLiteral("family"), QStringLiteral("table-cell"));
            m_xml.writeAttribute(styleNs, QStringLiteral("parent-style-name"), QStringLiteral("Default"));
            if (dataStyle)
                m_xml.writeAttribute(styleNs, QStringLiteral("data-style-name"), QString::fromLatin1(dataStyle));
            if (name[2] == '1') {
                m_xml.writeEmptyElement(styleNs, QStringLiteral("text-properties"));
                m_xml.writeAttribute(foNs, QStringLiteral("font-weight"), QStringLiteral("bold"));
            } else if (name[2] == '3') {
                m_xml.writeEmptyElement(styleNs, QStringLiteral("table-cell-properties"));
                m_xml.writeAttribute(foNs, QStringLiteral("wrap-option"), QStringLiteral("wrap"));
            }
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement(); // automatic-styles
        m_xml.writeStartElement(office, QStringLiteral("body"));
        m_xml.writeStartElement(office, QStringLiteral("spreadsheet"));
        m_xml.writeStartElement(tableNs, QStringLiteral("table"));
        m_xml.writeAttribute(tableNs, QStringLiteral("name"), sheet);
        for (size_t c = 0; c < widths.size(); ++c) {
            m_xml.writeEmptyElement(tableNs, QStringLiteral("table-column"));
            m_xml.writeAttribute(tableNs, QStringLiteral("style-name"), QStringLiteral("co%1").arg(c + 1));
        }
        return written();
    }

    Status header(const QStringList& labels) override
    {
        m_xml.writeStartElement(tableNs, QStringLiteral("table-row"));
        for (const QString& label : labels) {
            m_xml.writeStartElement(tableNs, QStringLiteral("table-cell"));
            m_xml.writeAttribute(tableNs, QStringLiteral("style-name"), QStringLiteral("ce1"));
            m_xml.writeAttribute(office, QStringLiteral("value-type"), QStringLiteral("string"));
            writeParagraphs(m_xml, label);
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
        return written();
    }

    Status row(const std::vector<Cell>& cells) override
    {
        m_xml.writeStartElement(tableNs, QStringLiteral("table-row"));
        for (const Cell& cell : cells) {
            if (cell.kind == Cell::Kind::Empty) {
                m_xml.writeEmptyElement(tableNs, QStringLiteral("table-cell"));
                continue;
            }
            m_xml.writeStartElement(tableNs, QStringLiteral("table-cell"));
            if (cell.kind == Cell::Kind::Text) {
                if (cell.text.contains(QLatin1Char('\n')))
                    m_xml.writeAttribute(tableNs, QStringLiteral("style-name"), QStringLiteral("ce3"));
                m_xml.writeAttribute(office, QStringLiteral("value-type"), QStringLiteral("string"));
            } else if (cell.kind == Cell::Kind::Number) {
                m_xml.writeAttribute(office, QStringLiteral("value-type"), QStringLiteral("float"));
                m_xml.writeAttribute(office, QStringLiteral("value"), cell.text);
            } else {
                m_xml.writeAttribute(tableNs, QStringLiteral("style-name"), QStringLiteral("ce2"));
                m_xml.writeAttribute(office, QStringLiteral("value-type"), QStringLiteral("date"));
                m_xml.writeAttribute(office, QStringLiteral("date-value"), cell.date.toString(Qt::ISODate));
            }
            writeParagraphs(m_xml, cell.text);
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
        return written();
    }

    Status finish() override
    {
        m_xml.writeEndDocument();
        if (Status s = written(); !s.ok())
            return s;
        m_content.close();
        // The container: the type first and stored as it is, then the parts, compressed.
        int error = 0;
        zip_t* archive = zip_open(QFile::encodeName(m_path).constData(), ZIP_CREATE | ZIP_EXCL, &error);
        if (!archive)
            return workbookFailure(systemErrorText(errno));
        const QByteArray manifest = odsManifest();
        const QByteArray styles = odsStyles();
        const QByteArray settings = odsSettings(m_sheet);
        const std::pair<const char*, const QByteArray*> parts[] = {
            {"META-INF/manifest.xml", &manifest}, {"styles.xml", &styles}, {"settings.xml", &settings}};
        bool added = addBuffer(archive, "mimetype", QByteArray(odsType), ZIP_CM_STORE);
        for (const auto& [name, bytes] : parts)
            added = added && addBuffer(archive, name, *bytes, ZIP_CM_DEFLATE);
        zip_source_t* content =
            added ? zip_source_file(archive, QFile::encodeName(m_content.fileName()).constData(), 0, -1) : nullptr;
        const zip_int64_t index = content ? zip_file_add(archive, "content.xml", content, ZIP_FL_ENC_UTF_8) : -1;
        if (content && index < 0) {
            zip_source_free(content);
            content = nullptr;
        }
        // The sheet's XML repeats itself: the fastest compression takes 40 % less time than
        // the default for a file a half larger (docs/performance.md).
        if (content && zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1) != 0) {
            zip_discard(archive);
            return workbookFailure(QStringLiteral("nelze nastavit kompresi"));
        }
        if (!content || zip_close(archive) != 0) {
            const QString why = QString::fromUtf8(zip_strerror(archive));
            zip_discard(archive);
            return workbookFailure(why);
        }
        return Status::success();
    }

private:
    bool addBuffer(zip_t* archive, const char* name, const QByteArray& bytes, zip_int32_t method)
    {
        m_kept.push_back(bytes); // libzip reads the buffers at zip_close
        zip_source_t* source =
            zip_source_buffer(archive, m_kept.back().constData(), static_cast<zip_uint64_t>(m_kept.back().size()), 0);
        const zip_int64_t index = source ? zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
        return zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), method, 0) == 0;
    }

    Status written() const { return m_xml.hasError() ? workbookFailure(systemErrorText(errno)) : Status::success(); }

    QString m_path;
    QString m_sheet;
    QFile m_content;
    QXmlStreamWriter m_xml;
    std::list<QByteArray> m_kept;
};

// A character a workbook's XML cannot hold: a control character but a tab or a line break.
bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r');
    });
}

// The rows of the list through the writer.
Status writeRows(Database& db, const QString& table, SheetWriter& writer, Format format)
{
    Status status = Status::success();
    const std::vector<int> longest = exportrows::longestValues(db, table, status);
    if (!status.ok())
        return status;
    const exportrows::Listing listing = exportrows::select(db, table, status);
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
                cell.text = cell.text.isEmpty() || cell.text == QLatin1String("0") ? QStringLiteral("Ne")
                                                                                   : QStringLiteral("Ano");
            } else if (columns[c].kind == FieldKind::Integer) {
                bool whole = false;
                cell.number = static_cast<double>(cell.text.toLongLong(&whole));
                if (whole)
                    cell.kind = Cell::Kind::Number;
            } else if (columns[c].kind == FieldKind::Date) {
                cell.date = QDate::fromString(cell.text, Qt::ISODate);
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

QString sheetName(const QString& table)
{
    if (table == QLatin1String("cd"))
        return QStringLiteral("Disky");
    if (table == QLatin1String("lide"))
        return QStringLiteral("Lidé");
    if (table == QLatin1String("vypujcky"))
        return QStringLiteral("Výpůjčky");
    return QStringLiteral("Nevrácená CD");
}

Status write(Database& db, const QString& table, const QString& path, Format format)
{
    const QFileInfo target(path);
    if (target.isDir())
        return Status::failure(QStringLiteral("Soubor %1 nelze zapsat: je to složka, ne soubor.").arg(path));
    if (format == Format::Csv) {
        // Written aside and moved in whole: a failed export leaves the file as it was.
        QSaveFile out(path);
        const auto failed = [&path] {
            return Status::failure(
                QStringLiteral("Soubor %1 nelze zapsat: %2.")
                    .arg(path, QFileInfo(path).absoluteDir().exists()
                                   ? systemErrorText(errno)
                                   : QStringLiteral("složka %1 neexistuje").arg(QFileInfo(path).path())));
        };
        if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return failed();
        if (Status s = csvexport::write(db, table, out); !s.ok())
            return s;
        return out.commit() ? Status::success() : failed();
    }
    // The workbook and the library's scratch files are made in a folder that only the owner
    // may enter (QTemporaryDir makes it so), then the workbook alone is moved into place.
    QTemporaryDir building(target.absoluteDir().filePath(QStringLiteral(".ordisk-XXXXXX")));
    if (!building.isValid())
        return Status::failure(QStringLiteral("Soubor %1 nelze zapsat: %2.")
                                   .arg(path, target.absoluteDir().exists() ? systemErrorText(errno)
                                                                            : QStringLiteral("složka neexistuje")));
    const QString made = building.filePath(QStringLiteral("sesit"));
    Status status = Status::success();
    {
        std::unique_ptr<SheetWriter> writer;
        if (format == Format::Xlsx)
            writer = std::make_unique<XlsxWriter>(made, building.path());
        else
            writer = std::make_unique<OdsWriter>(made, building.path());
        status = writeRows(db, table, *writer, format);
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
