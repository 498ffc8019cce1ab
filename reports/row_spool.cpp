#include "reports/row_spool.h"

#include <QDir>

namespace {

// A cell as kept: its UTF-8 length (-1 for an empty view's NULL) and its bytes.
void put(QDataStream& stream, const QString& cell)
{
    if (cell.isNull()) {
        stream << qint32(-1);
        return;
    }
    const QByteArray utf8 = cell.toUtf8();
    stream << qint32(utf8.size());
    stream.writeRawData(utf8.constData(), static_cast<int>(utf8.size()));
}

bool take(QDataStream& stream, QString& cell)
{
    qint32 size = 0;
    stream >> size;
    // A cell is at most what a page shows of a value: a larger size is not the spool's own.
    if (stream.status() != QDataStream::Ok || size < -1 || size > (1 << 20))
        return false;
    if (size < 0) {
        cell = QString();
        return true;
    }
    QByteArray utf8(size, Qt::Uninitialized);
    if (stream.readRawData(utf8.data(), size) != size)
        return false;
    cell = QString::fromUtf8(utf8);
    return true;
}

// The system's folder for temporary files ($TMPDIR); Qt names none where $TMPDIR does not
// exist, and the spool would go to the working folder: then /tmp.
QString folder()
{
    const QString temp = QDir::tempPath();
    return temp.isEmpty() ? QStringLiteral("/tmp") : temp;
}

} // namespace

Status RowSpool::fileFailed(const QString& doing)
{
    m_status = Status::failure(QStringLiteral("Dočasný soubor tisku ve složce %1 nelze %2 (%3); zkontrolujte, "
                                              "zda je na disku místo. Nic nebylo vytištěno ani uloženo.")
                                   .arg(QDir::toNativeSeparators(folder()), doing, m_file.errorString()));
    return m_status;
}

RowSpool::RowSpool() : m_keep(qEnvironmentVariable("ORDISK_SPOOL") != QLatin1String("off")) {}

Status RowSpool::fill(RowFeed& source, const std::function<bool(const QStringList&)>& seen)
{
    m_rows = 0;
    m_source = &source;
    if (m_status = source.start(); !m_status.ok())
        return m_status;
    if (!m_keep) {
        QStringList cells;
        while (source.next(cells)) {
            if (seen && !seen(cells))
                return m_status = Status::cancelled(QStringLiteral("Tisk byl zrušen."));
            ++m_rows;
        }
        return m_status = source.status();
    }
    m_file.setFileTemplate(QDir(folder()).filePath(QStringLiteral("ordisk-tisk-XXXXXX")));
    if (!m_file.open())
        return fileFailed(QStringLiteral("vytvořit"));
    m_stream.setDevice(&m_file);
    QStringList cells;
    while (source.next(cells)) {
        if (seen && !seen(cells))
            return m_status = Status::cancelled(QStringLiteral("Tisk byl zrušen."));
        m_stream << qint32(cells.size());
        for (const QString& cell : cells)
            put(m_stream, cell);
        if (m_stream.status() != QDataStream::Ok)
            return fileFailed(QStringLiteral("zapsat"));
        ++m_rows;
    }
    if (m_status = source.status(); !m_status.ok())
        return m_status;
    if (!m_file.flush())
        return fileFailed(QStringLiteral("zapsat"));
    return m_status;
}

Status RowSpool::start()
{
    if (!m_status.ok())
        return m_status;
    if (!m_keep)
        return m_source ? m_source->start() : m_status;
    if (!m_file.isOpen() || !m_file.seek(0))
        return fileFailed(QStringLiteral("přečíst"));
    m_stream.resetStatus();
    m_read = 0;
    return m_status;
}

bool RowSpool::next(QStringList& cells)
{
    if (!m_keep && m_source) {
        const bool row = m_source->next(cells);
        if (!row)
            m_status = m_source->status();
        return row;
    }
    if (!m_status.ok() || m_read >= m_rows)
        return false;
    qint32 count = 0;
    m_stream >> count;
    cells.clear();
    bool whole = m_stream.status() == QDataStream::Ok && count >= 0;
    for (qint32 c = 0; whole && c < count; ++c) {
        QString cell;
        whole = take(m_stream, cell);
        cells << cell;
    }
    if (!whole)
        return fileFailed(QStringLiteral("přečíst")).ok(); // false, the failure kept
    ++m_read;
    return true;
}
