#pragma once

#include "reports/row_feed.h"

#include <QDataStream>
#include <QTemporaryFile>

#include <functional>

// The rows of a feed read once and kept in a temporary file, to be set as often as a list
// asks (measured, counted, painted) without reading the register again: the pages are set
// from one state of the register, and memory does not grow with the rows. The file goes
// with the spool.
class RowSpool : public RowFeed
{
public:
    // ORDISK_SPOOL=off (for measuring what the spool saves) keeps nothing: each later reading
    // is the source's own, and rows another program changes meanwhile go unnoticed.
    RowSpool();

    // Reads the source from its start to its end, each row shown to seen (false stops the
    // reading, cancelled) and kept.
    Status fill(RowFeed& source, const std::function<bool(const QStringList&)>& seen);
    // How many rows were kept.
    qint64 rows() const { return m_rows; }

    Status start() override;
    bool next(QStringList& cells) override;
    Status status() const override { return m_status; }

private:
    Status fileFailed(const QString& doing);

    bool m_keep = true;
    RowFeed* m_source = nullptr; // read again where nothing is kept
    QTemporaryFile m_file;
    QDataStream m_stream;
    qint64 m_rows = 0;
    qint64 m_read = 0;
    Status m_status = Status::success();
};
