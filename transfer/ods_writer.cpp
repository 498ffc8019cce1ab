#include "transfer/sheet_writer.h"

#include "storage/database.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamWriter>

#include <zip.h>

#include <cerrno>
#include <list>

namespace sheetwriter {
namespace {

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

// A part of the document: its root element, with every namespace the parts use and ODF's version.
void beginDocument(QXmlStreamWriter& xml, const QString& root)
{
    xml.writeStartDocument();
    namespaces(xml);
    xml.writeStartElement(office, root);
    xml.writeAttribute(office, QStringLiteral("version"), QStringLiteral("1.2"));
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
    beginDocument(xml, QStringLiteral("document-styles"));
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
    beginDocument(xml, QStringLiteral("document-settings"));
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
        beginDocument(m_xml, QStringLiteral("document-content"));
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
} // namespace

std::unique_ptr<SheetWriter> ods(const QString& path, const QString& scratch)
{
    return std::make_unique<OdsWriter>(path, scratch);
}

} // namespace sheetwriter
