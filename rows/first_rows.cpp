#include "rows/first_rows.h"

#include "storage/database.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
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
    QFile file(pathFor(registerPath));
    // A size the file declares is never trusted: the whole file is small, and read whole.
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileSize)
        return false;
    const QByteArray whole = file.read(maxFileSize + 1);
    const qsizetype head = sizeof magic - 1;
    const qsizetype sum = QCryptographicHash::hashLength(QCryptographicHash::Sha256);
    if (whole.size() < head + sum || !whole.startsWith(QByteArray(magic)))
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
        if (columns == 0 || columns > maxColumns || rows > static_cast<quint32>(keptRows) || list.count < rows ||
            list.count > std::numeric_limits<int>::max())
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
    QSaveFile file(pathFor(registerPath));
    // Names from the register: readable by its owner only, as the register is.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return Status::failure(file.errorString());
    file.write(magic, sizeof magic - 1);
    file.write(payload);
    file.write(QCryptographicHash::hash(payload, QCryptographicHash::Sha256));
    if (!file.commit())
        return Status::failure(file.errorString());
    return Status::success();
}

void remove(const QString& registerPath)
{
    QFile::remove(pathFor(registerPath));
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
        rankOf.resize(texts.size());
        for (size_t id = 0; id < texts.size(); ++id) {
            const bool same = id < ranking->texts.size() && ranking->texts[id].constData() == texts[id].constData();
            const int index = same ? static_cast<int>(id) : ranking->indexOf.value(texts[id], -1);
            rankOf[id] = index < 0 ? 0 : ranking->rankOf[static_cast<size_t>(index)];
        }
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
