#include "grid_model.h"

#include "record_source.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace {

constexpr qsizetype maxCachedKeys = 2'000'000;

const QCollator& czechCollator()
{
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(false);
        return c;
    }();
    return collator;
}

SortKey makeKey(const QString& text)
{
    SortKey key;
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok && !text.trimmed().isEmpty()) {
        key.isNumber = true;
        key.number = number;
    } else {
        key.text = czechCollator().sortKey(text);
    }
    return key;
}

int compareKeys(const SortKey& a, const SortKey& b)
{
    if (a.isNumber != b.isNumber)
        return a.isNumber ? -1 : 1;
    if (a.isNumber)
        return a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
    return a.text->compare(*b.text);
}

} // namespace

GridModel::GridModel(RecordSource& source, QObject* parent) : QAbstractTableModel(parent), m_source(source)
{
    connect(&m_source, &RecordSource::rowsReset, this, &GridModel::reload);
    m_order.resize(static_cast<size_t>(m_source.recordCount()));
    std::iota(m_order.begin(), m_order.end(), 0);
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_source.columnCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    if (role == FullTextRole)
        return m_source.displayText(sourceRow(index.row()), index.column());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        // No column is wide enough for more; drawing a megabyte on every repaint would freeze the list.
        const QString text = m_source.displayText(sourceRow(index.row()), index.column());
        return text.size() > maxShownLength ? text.left(maxShownLength) : text;
    }
    return QVariant();
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < m_headers.size() && !m_headers[section].isNull())
        return m_headers[section];
    return m_source.columnNames().value(section);
}

void GridModel::setHeaderText(int column, const QString& text)
{
    if (column < 0 || column >= columnCount())
        return;
    while (m_headers.size() <= column)
        m_headers << QString();
    m_headers[column] = text;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void GridModel::sortRows(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount() || m_order.size() < 2)
        return;
    if (!m_source.isCached(column))
        m_source.completeAllRows();
    const size_t rows = m_order.size();
    // Collation keys are costly; a list is sorted again after every keystroke of a
    // search, mostly over the same names, so each text's key is made once and kept.
    if (m_keyCache.size() > maxCachedKeys)
        m_keyCache.clear();
    std::vector<SortKey> keys(static_cast<size_t>(m_source.recordCount()));
    for (size_t i = 0; i < rows; ++i) {
        const int row = m_order[i];
        const QString text = m_source.displayText(row, column);
        auto cached = m_keyCache.constFind(text);
        if (cached == m_keyCache.constEnd())
            cached = m_keyCache.insert(text, makeKey(text));
        keys[static_cast<size_t>(row)] = *cached;
    }
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Keep the view's current cell and selection on the same record.
    const QModelIndexList before = persistentIndexList();
    std::vector<int> sourceRows;
    for (const QModelIndex& index : before)
        sourceRows.push_back(sourceRow(index.row()));
    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        const int c = compareKeys(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    std::vector<int> gridRowOf(keys.size());
    for (size_t i = 0; i < rows; ++i)
        gridRowOf[static_cast<size_t>(m_order[i])] = static_cast<int>(i);
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(gridRowOf[static_cast<size_t>(sourceRows[static_cast<size_t>(i)])], before[i].column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void GridModel::reload()
{
    beginResetModel();
    m_order.resize(static_cast<size_t>(m_source.recordCount()));
    std::iota(m_order.begin(), m_order.end(), 0);
    m_headers.clear();
    endResetModel();
}
