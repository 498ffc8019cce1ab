#include "transfer/zip_part.h"

#include "storage/database.h"
#include "transfer/sheet_cells.h"

#include <QIODevice>
#include <QSet>

#include <zip.h>

namespace workbook {
namespace {

constexpr zip_uint64_t chunk = 256 << 10;

} // namespace

// libzip reads the container through the device.
struct Archive::Source
{
    QIODevice* device;
    zip_error_t error;
};

namespace {

zip_int64_t readDevice(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* source = static_cast<Archive::Source*>(state);
    QIODevice& device = *source->device;
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return device.seek(0) ? 0 : -1;
    case ZIP_SOURCE_READ:
        return device.read(static_cast<char*>(data), static_cast<qint64>(length));
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->size = static_cast<zip_uint64_t>(device.size());
        stat->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source->error, data, length);
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t at =
            zip_source_seek_compute_offset(static_cast<zip_uint64_t>(device.pos()),
                                           static_cast<zip_uint64_t>(device.size()), data, length, &source->error);
        return at >= 0 && device.seek(at) ? 0 : -1;
    }
    case ZIP_SOURCE_TELL:
        return device.pos();
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                                              ZIP_SOURCE_SUPPORTS, -1);
    default:
        zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

Archive::Archive(QIODevice& device) : m_source(new Source{&device, {}})
{
    zip_error_init(&m_source->error);
    zip_error_t error;
    zip_error_init(&error);
    if (zip_source_t* source = zip_source_function_create(readDevice, m_source.get(), &error)) {
        m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!m_zip)
            zip_source_free(source);
    }
    zip_error_fini(&error);
}

Archive::~Archive()
{
    if (m_zip)
        zip_discard(m_zip);
    zip_error_fini(&m_source->error);
}

QString Archive::problem() const
{
    QSet<QByteArray> names;
    const zip_int64_t entries = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(i), 0, &stat) != 0 || !stat.name)
            continue;
        const QByteArray name(stat.name);
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
            return sheetcells::encrypted(QString::fromUtf8(name));
        if (names.contains(name))
            return sheetcells::damaged(
                QStringLiteral("jeho část %1 je v archivu dvakrát").arg(QString::fromUtf8(name)));
        names.insert(name);
    }
    return QString();
}

bool Archive::has(const char* name) const
{
    return zip_name_locate(m_zip, name, 0) >= 0;
}

QByteArray Archive::head(const char* name, qint64 most) const
{
    zip_file_t* file = zip_fopen(m_zip, name, 0);
    if (!file)
        return QByteArray();
    QByteArray bytes(static_cast<qsizetype>(most), '\0');
    const zip_int64_t read = zip_fread(file, bytes.data(), static_cast<zip_uint64_t>(most));
    zip_fclose(file);
    bytes.truncate(read > 0 ? static_cast<qsizetype>(read) : 0);
    return bytes;
}

Part::Part(const Archive& archive, const QString& name)
    : m_file(zip_fopen(archive.m_zip, name.toUtf8().constData(), 0)), m_stop(archive.m_stop), m_name(name)
{
}

Part::~Part()
{
    if (m_file)
        zip_fclose(m_file);
}

bool Part::next()
{
    qint64 fed = 0; // bytes given to the parser since the last token
    while (true) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndDocument)
            return false;
        if (token == QXmlStreamReader::StartElement && ++m_depth > mostDepth) {
            m_tooDeep = true;
            return false;
        }
        if (token == QXmlStreamReader::EndElement)
            --m_depth;
        if (token != QXmlStreamReader::Invalid)
            return true;
        if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || m_ended)
            return false;
        if (fed > mostTokenBytes) {
            m_tokenTooLong = true;
            return false;
        }
        if (m_stop && m_stop()) {
            m_stopped = true;
            return false;
        }
        QByteArray bytes(static_cast<qsizetype>(chunk), '\0');
        const zip_int64_t read = zip_fread(m_file, bytes.data(), chunk);
        if (read < 0) {
            m_readFailed = true;
            m_badChecksum = zip_error_code_zip(zip_file_get_error(m_file)) == ZIP_ER_CRC;
            return false;
        }
        m_ended = read == 0;
        fed += read;
        bytes.truncate(static_cast<qsizetype>(read));
        xml.addData(bytes);
    }
}

bool Part::drain()
{
    QByteArray bytes(static_cast<qsizetype>(chunk), '\0');
    while (!m_ended && !m_readFailed) {
        const zip_int64_t read = zip_fread(m_file, bytes.data(), chunk);
        m_readFailed = read < 0;
        m_badChecksum = m_readFailed && zip_error_code_zip(zip_file_get_error(m_file)) == ZIP_ER_CRC;
        m_ended = read == 0;
    }
    return !m_readFailed;
}

bool Part::failed() const
{
    // A document that ends as it should leaves no error; any other end is a fault.
    return m_readFailed || m_tooDeep || m_tokenTooLong || m_stopped || xml.hasError();
}

QString Part::problem() const
{
    const QString line = QString::number(xml.lineNumber());
    if (m_stopped)
        return QStringLiteral("čtení bylo přerušeno");
    if (m_badChecksum)
        return QStringLiteral("jeho část %1 nesouhlasí se svým kontrolním součtem (CRC)").arg(m_name);
    if (m_readFailed)
        return QStringLiteral("jeho část %1 nelze rozbalit").arg(m_name);
    if (m_tooDeep)
        return QStringLiteral("prvky jeho části %1 jsou vnořené hlouběji než %2 úrovní (řádek %3 části)")
            .arg(m_name, QString::number(mostDepth), line);
    if (m_tokenTooLong)
        return QStringLiteral("jeho část %1 má na řádku %2 text nebo značku delší než %3 MB")
            .arg(m_name, line, QString::number(mostTokenBytes >> 20));
    if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
        return QStringLiteral("jeho část %1 je neúplná").arg(m_name);
    libraryWords(QStringLiteral("XML %1:%2: %3").arg(m_name, line, xml.errorString()));
    return QStringLiteral("jeho část %1 není platné XML (řádek %2 části)").arg(m_name, line);
}

QString Part::text(qsizetype most)
{
    QString result;
    int depth = 1;
    while (depth > 0 && next()) {
        if (xml.isStartElement()) {
            ++depth;
        } else if (xml.isEndElement()) {
            --depth;
        } else if (xml.isCharacters()) {
            result += xml.text();
            if (result.size() > most) {
                m_overLong = true;
                result.truncate(most + 1);
                break;
            }
        }
    }
    return result;
}

void Part::skip()
{
    int depth = 1;
    while (depth > 0 && next())
        depth += xml.isStartElement() ? 1 : xml.isEndElement() ? -1 : 0;
}

} // namespace workbook
