#include "rows/first_rows.h"

#include "storage/database.h"
#include "storage/durable_files.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace firstrows {
namespace {

const char magic[] = "ORDISK-SEZNAMY-1";
// Far above what keptRows rows of keptLength letters take: a larger file is not ours.
constexpr qint64 maxFileSize = 8 * 1024 * 1024;
constexpr quint32 maxLists = 8;
constexpr quint32 maxColumns = 32;
// The fewest bytes a row of a table takes in an SQLite file (its cell and the cell's pointer).
constexpr quint64 minRowBytes = 4;

quint32 bigEndian(const unsigned char* at)
{
    return (quint32(at[0]) << 24) | (quint32(at[1]) << 16) | (quint32(at[2]) << 8) | quint32(at[3]);
}

void writeState(QDataStream& out, const FileState& s)
{
    out << s.device << s.inode << s.size << s.changedNs << s.changeCounter << s.pages;
}

void readState(QDataStream& in, FileState& s)
{
    in >> s.device >> s.inode >> s.size >> s.changedNs >> s.changeCounter >> s.pages;
    s.usable = true;
}

class FirstRows : public Rows
{
public:
    explicit FirstRows(const List& list) : m_list(list) {}

    int count() const override { return static_cast<int>(m_list.count); }
    bool serves(int column) const override { return slot(column) >= 0; }
    QString value(int row, int column) override
    {
        const int s = slot(column);
        if (s < 0 || row < 0 || row >= m_list.rowCount())
            return QString();
        return m_list.values[static_cast<size_t>(row) * m_list.columns.size() + static_cast<size_t>(s)];
    }
    // Nothing is stored before the rest is read (every action waits for it); were it, the
    // count would still follow.
    void setRow(int, const std::vector<QString>&) override {}
    void append(qint64, const std::vector<QString>&) override { ++m_list.count; }
    void erase(int) override { --m_list.count; }

private:
    int slot(int column) const
    {
        const auto at = std::find(m_list.columns.begin(), m_list.columns.end(), column);
        return at == m_list.columns.end() ? -1 : static_cast<int>(at - m_list.columns.begin());
    }

    List m_list;
};

} // namespace

FileState stateOf(const QString& registerPath)
{
    FileState state;
    const QByteArray path = QFile::encodeName(registerPath);
    // A journal or WAL file beside it: the file alone is not what the register holds.
    for (const char* beside : {"-journal", "-wal"})
        if (::access((path + beside).constData(), F_OK) == 0)
            return state;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return state;
    struct stat info
    {
    };
    unsigned char header[100];
    const bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
    ::close(fd);
    // "SQLite format 3", written and read in rollback-journal mode (1, 1), with the change
    // counter valid for the page count (the "version-valid-for" number equals it).
    if (!read || std::memcmp(header, "SQLite format 3", 16) != 0 || header[18] != 1 || header[19] != 1 ||
        bigEndian(header + 92) != bigEndian(header + 24))
        return state;
    state.usable = true;
    state.device = static_cast<quint64>(info.st_dev);
    state.inode = static_cast<quint64>(info.st_ino);
    state.size = static_cast<quint64>(info.st_size);
    state.changedNs = static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    state.changeCounter = bigEndian(header + 24);
    state.pages = bigEndian(header + 28);
    return state;
}

QString pathFor(const QString& registerPath)
{
    const QFileInfo file(registerPath);
    return file.dir().filePath(QLatin1Char('.') + file.fileName() + QStringLiteral("-seznamy"));
}

bool read(const QString& registerPath, const FileState& now, Saved& saved)
{
    if (!now.usable)
        return false;
    // Only a regular file of ours is read: not through a link, and never a FIFO or a device,
    // whose opening or reading could wait for ever. A size the file declares is never
    // trusted: the whole file is small, and read whole.
    const int fd =
        ::open(QFile::encodeName(pathFor(registerPath)).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info
    {
    };
    QByteArray whole;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= maxFileSize) {
        whole.resize(static_cast<qsizetype>(info.st_size) + 1);
        qsizetype got = 0;
        for (ssize_t n = 1; n > 0 && got < whole.size(); got += n)
            if ((n = ::read(fd, whole.data() + got, static_cast<size_t>(whole.size() - got))) < 0)
                n = 0;
        whole.truncate(got);
    }
    ::close(fd);
    const qsizetype head = sizeof magic - 1;
    const qsizetype sum = QCryptographicHash::hashLength(QCryptographicHash::Sha256);
    if (whole.size() < head + sum || whole.size() > maxFileSize || !whole.startsWith(QByteArray(magic)))
        return false;
    const QByteArray payload = whole.mid(head, whole.size() - head - sum);
    if (QCryptographicHash::hash(payload, QCryptographicHash::Sha256) != whole.right(sum))
        return false;
    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_6_0);
    Saved found;
    readState(in, found.state);
    if (in.status() != QDataStream::Ok || !(found.state == now))
        return false;
    quint32 lists = 0;
    in >> lists;
    if (lists > maxLists)
        return false;
    for (quint32 l = 0; l < lists && in.status() == QDataStream::Ok; ++l) {
        List list;
        quint32 columns = 0;
        quint32 rows = 0;
        qint32 sortColumn = 0;
        in >> list.table >> sortColumn >> list.count >> columns >> rows;
        // A row takes at least a few bytes of a page: more rows than the file could hold are not ours.
        if (columns == 0 || columns > maxColumns || rows > static_cast<quint32>(keptRows) || list.count < rows ||
            static_cast<quint64>(list.count) > now.size / minRowBytes)
            return false;
        list.sortColumn = sortColumn;
        for (quint32 c = 0; c < columns; ++c) {
            qint32 column = 0;
            in >> column;
            list.columns.push_back(column);
        }
        for (quint32 v = 0; v < columns * rows && in.status() == QDataStream::Ok; ++v) {
            QString value;
            in >> value;
            list.values.push_back(value);
        }
        found.lists.push_back(std::move(list));
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return false;
    saved = std::move(found);
    return true;
}

Status write(const QString& registerPath, const Saved& saved)
{
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        writeState(out, saved.state);
        out << static_cast<quint32>(saved.lists.size());
        for (const List& list : saved.lists) {
            out << list.table << static_cast<qint32>(list.sortColumn) << list.count
                << static_cast<quint32>(list.columns.size()) << static_cast<quint32>(list.rowCount());
            for (int column : list.columns)
                out << static_cast<qint32>(column);
            for (const QString& value : list.values)
                out << value;
        }
    }
    // A new file beside the old one, made by us (never through a link or over another
    // file), written whole, then renamed over the old name: what lies there, a link too, is
    // replaced, never written through.
    const QString path = pathFor(registerPath);
    QString temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        temporary = path + QStringLiteral(".%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        fd = durable::createFile(temporary);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return Status::failure(QString::fromLocal8Bit(std::strerror(errno)));
    QByteArray whole = QByteArray(magic) + payload + QCryptographicHash::hash(payload, QCryptographicHash::Sha256);
    qsizetype written = 0;
    while (written < whole.size()) {
        const ssize_t n = ::write(fd, whole.constData() + written, static_cast<size_t>(whole.size() - written));
        if (n <= 0 && errno != EINTR)
            break;
        written += std::max<ssize_t>(n, 0);
    }
    const int error = written == whole.size() ? 0 : errno;
    if (::close(fd) != 0 || error != 0 ||
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const int failed = error != 0 ? error : errno;
        ::unlink(QFile::encodeName(temporary).constData());
        return Status::failure(QString::fromLocal8Bit(std::strerror(failed)));
    }
    return Status::success();
}

std::vector<int> columnsOf(const ListToRead& list)
{
    std::vector<int> columns{0};
    for (int column : list.held)
        if (column > 0 && std::find(columns.begin(), columns.end(), column) == columns.end())
            columns.push_back(column);
    return columns;
}

List firstOf(const KeptRows::Table& table, const QString& name, int sortColumn, const std::vector<int>& columns,
             const listorder::Ranking* ranking)
{
    List list;
    list.table = name;
    list.sortColumn = sortColumn;
    list.columns = columns;
    list.count = static_cast<qint64>(table.keys.size());
    const KeptRows::Column& sorted = table.columns[static_cast<size_t>(sortColumn)];
    const std::vector<QString>& texts = *sorted.texts;
    // Each text's rank, when ranks were worked out (a text held twice is looked up).
    std::vector<int> rankOf;
    if (ranking) {
        rankOf = ranking->indexesOf(texts);
        for (int& rank : rankOf)
            rank = rank < 0 ? 0 : ranking->rankOf[static_cast<size_t>(rank)];
    }
    // The first rows by a heap of the keptRows first seen so far: most rows are compared
    // once, with the last of them. Rows that sort alike keep the table's (key) order.
    auto before = [&](int a, int b) {
        const quint32 x = sorted.ids[static_cast<size_t>(a)];
        const quint32 y = sorted.ids[static_cast<size_t>(b)];
        const int order = x == y ? 0 : ranking ? rankOf[x] - rankOf[y] : listorder::compare(texts[x], texts[y]);
        return order != 0 ? order < 0 : a < b;
    };
    std::vector<int> heap;
    for (int row = 0; row < static_cast<int>(table.keys.size()); ++row) {
        if (heap.size() < static_cast<size_t>(keptRows)) {
            heap.push_back(row);
            std::push_heap(heap.begin(), heap.end(), before);
        } else if (before(row, heap.front())) {
            std::pop_heap(heap.begin(), heap.end(), before);
            heap.back() = row;
            std::push_heap(heap.begin(), heap.end(), before);
        }
    }
    std::sort_heap(heap.begin(), heap.end(), before);
    for (int row : heap)
        for (int column : columns) {
            const KeptRows::Column& c = table.columns[static_cast<size_t>(column)];
            list.values.push_back((*c.texts)[c.ids[static_cast<size_t>(row)]].left(keptLength));
        }
    return list;
}

std::shared_ptr<Rows> asRows(const List& list)
{
    return std::make_shared<FirstRows>(list);
}

ReadAll readAll(const QString& registerPath, const std::vector<ListToRead>& lists)
{
    ReadAll result;
    result.before = stateOf(registerPath);
    const std::unique_ptr<Database> db = Database::connect(QFile::encodeName(registerPath), result.status, true);
    if (!db)
        return result;
    // Each page is read once: a small page cache, which the thread's heap keeps no trace of.
    // One snapshot for every list.
    if (result.status = db->exec(QStringLiteral("PRAGMA cache_size = -128; BEGIN")); !result.status.ok())
        return result;
    for (const ListToRead& list : lists) {
        ReadList read;
        read.rows = std::make_unique<KeptRows::Table>();
        if (result.status = KeptRows::read(*db, list.table, list.held, *read.rows); !result.status.ok())
            break;
        const auto sortColumn = static_cast<size_t>(list.sortColumn);
        if (sortColumn < read.rows->columns.size() && read.rows->columns[sortColumn].isRead) {
            bool added = false;
            for (const QString& text : *read.rows->columns[sortColumn].texts)
                read.ranking.index(text, added);
            read.ranking.rank();
            read.first = firstOf(*read.rows, list.table, list.sortColumn, columnsOf(list), &read.ranking);
        }
        result.lists.push_back(std::move(read));
    }
    (void)db->exec(QStringLiteral("COMMIT"));
    result.after = stateOf(registerPath);
    listorder::releaseCollator(); // this thread sorts nothing more
    return result;
}

} // namespace firstrows
