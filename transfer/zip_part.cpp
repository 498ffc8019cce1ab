#include "transfer/zip_part.h"

#include <QIODevice>

#include <zip.h>

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

bool Archive::has(const char* name) const
{
    return zip_name_locate(m_zip, name, 0) >= 0;
}

qint64 Archive::sizeOf(const char* name) const
{
    zip_stat_t stat;
    return zip_stat(m_zip, name, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(stat.size) : -1;
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
    : m_file(zip_fopen(archive.m_zip, name.toUtf8().constData(), 0)), m_stop(archive.m_stop)
{
}

Part::~Part()
{
    if (m_file)
        zip_fclose(m_file);
}

bool Part::next()
{
    while (true) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndDocument)
            return false;
        if (token != QXmlStreamReader::Invalid)
            return true;
        if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || m_ended)
            return false;
        if (m_stop && m_stop()) {
            m_readFailed = true;
            return false;
        }
        QByteArray bytes(static_cast<qsizetype>(chunk), '\0');
        const zip_int64_t read = zip_fread(m_file, bytes.data(), chunk);
        if (read < 0) {
            m_readFailed = true;
            return false;
        }
        m_ended = read == 0;
        bytes.truncate(static_cast<qsizetype>(read));
        xml.addData(bytes);
    }
}

bool Part::failed() const
{
    return m_readFailed || (xml.hasError() && !xml.atEnd()) || (xml.hasError() && m_ended);
}

QString Part::text()
{
    QString result;
    int depth = 1;
    while (depth > 0 && next()) {
        if (xml.isStartElement())
            ++depth;
        else if (xml.isEndElement())
            --depth;
        else if (xml.isCharacters())
            result += xml.text();
    }
    return result;
}

void Part::skip()
{
    int depth = 1;
    while (depth > 0 && next())
        depth += xml.isStartElement() ? 1 : xml.isEndElement() ? -1 : 0;
}
