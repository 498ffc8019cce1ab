#include "binding/grid_model.h"

#include "binding/record_source.h"
#include "core/list_order.h"
#include "core/register_tables.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr size_t maxKnownTexts = 2'000'000;

} // namespace

GridModel::GridModel(RecordSource& source, QObject* parent) : QAbstractTableModel(parent), m_source(source)
{
    connect(&m_source, &RecordSource::rowsReset, this, [this] { reload(false); });
    connect(&m_source, &RecordSource::rowsReread, this, [this] { reload(true); });
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
    const bool spoken = role == Qt::AccessibleTextRole;
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && !spoken) || section < 0 ||
        section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < m_headers.size() && !m_headers[section].isNull())
        return m_headers[section];
    // The header row shows the field names; a screen reader announces the column in Czech.
    const QString field = m_source.columnNames().value(section);
    return spoken ? tables::label(field) : field;
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
    // A column not held for every row is read first; the grid then lists the rows in their
    // own order again before it sorts them.
    if (!m_source.hasEveryValue(column) && !m_source.holdColumn(column).ok())
        return;
    const size_t rows = m_order.size();
    bool newTexts = false;
    // Each row holds its text's index for now, its rank below.
    std::vector<int> rank = textIndexes(column, newTexts);
    if (newTexts)
        m_known.rank();
    // A counting sort by rank: stable, so rows of equal texts keep their order.
    std::vector<int> firstOfRank(static_cast<size_t>(m_known.rankCount) + 1, 0);
    for (size_t i = 0; i < rows; ++i) {
        const auto row = static_cast<size_t>(m_order[i]);
        int r = m_known.rankOf[static_cast<size_t>(rank[row])];
        if (order != Qt::AscendingOrder)
            r = m_known.rankCount - 1 - r;
        rank[row] = r;
        ++firstOfRank[static_cast<size_t>(r) + 1];
    }
    std::partial_sum(firstOfRank.begin(), firstOfRank.end(), firstOfRank.begin());
    std::vector<int> sorted(rows);
    for (int row : m_order)
        sorted[static_cast<size_t>(firstOfRank[static_cast<size_t>(rank[static_cast<size_t>(row)])]++)] = row;
    reorder(std::move(sorted));
}

// Each record's index among the known texts, by the column's texts (new ones added).
std::vector<int> GridModel::textIndexes(int column, bool& newTexts)
{
    // A list is sorted again after every keystroke of a search, mostly over the same
    // names. Each distinct text gets its collation key once and a rank among all texts
    // seen; the rows are then sorted by rank, a whole number, instead of by key
    // (docs/performance.md: searches and sorts 6 to 40 times quicker).
    if (m_known.texts.size() > maxKnownTexts)
        m_known.clear();
    if (m_known.texts.empty())
        m_indexedColumn = -1;
    const int count = m_source.recordCount();
    std::vector<int> rank(static_cast<size_t>(count));
    // A column sorts by what its cells are: texts by Czech collation (names that are numbers
    // by value), whole numbers by value, dates by their stored ISO form, which sorts as the
    // days do (not by the text shown, "15.1.2026" before "6.12.2025"), yes/no as the -1 and
    // 0 shown. Stored strings are used as they are, each distinct one looked up once however
    // many rows share it.
    const bool yesNo = m_source.columnKind(column) == FieldKind::Boolean;
    if (!yesNo && m_source.isHeld(column)) {
        const std::vector<QString>& texts = m_source.heldTexts(column);
        // A search's rows share the whole table's texts: for fewer rows than texts, only the
        // texts of the rows are looked up; else every text, in one pass.
        const bool everyText = static_cast<size_t>(count) >= texts.size();
        if (m_indexedColumn != column || m_indexedGeneration != m_source.generation() ||
            m_indexOfText.size() != texts.size()) {
            m_indexOfText.assign(texts.size(), -1);
            for (size_t id = 0; everyText && id < texts.size(); ++id)
                m_indexOfText[id] = m_known.index(texts[id], newTexts);
            m_indexedColumn = column;
            m_indexedGeneration = m_source.generation();
        }
        for (int row = 0; !everyText && row < count; ++row)
            if (const quint32 id = m_source.heldTextId(row, column); m_indexOfText[id] < 0)
                m_indexOfText[id] = m_known.index(texts[id], newTexts);
        for (int row = 0; row < count; ++row)
            rank[static_cast<size_t>(row)] = m_indexOfText[m_source.heldTextId(row, column)];
    } else {
        for (int row = 0; row < count; ++row)
            rank[static_cast<size_t>(row)] =
                m_known.index(yesNo ? m_source.displayText(row, column) : m_source.cell(row, column), newTexts);
    }
    return rank;
}

// Lists the rows in the order given, keeping the view's current cell and selection on the
// same records.
void GridModel::reorder(std::vector<int> order)
{
    const size_t rows = order.size();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> sourceRows;
    for (const QModelIndex& index : before)
        sourceRows.push_back(sourceRow(index.row()));
    m_order = std::move(order);
    std::vector<int> gridRowOf(static_cast<size_t>(std::max(m_source.recordCount(), 0)));
    for (size_t i = 0; i < rows; ++i)
        gridRowOf[static_cast<size_t>(m_order[i])] = static_cast<int>(i);
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(gridRowOf[static_cast<size_t>(sourceRows[static_cast<size_t>(i)])], before[i].column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void GridModel::adoptRanking(int column, const std::vector<QString>* texts, listorder::Ranking ranking)
{
    if (!m_known.texts.empty() || column < 0 || column >= columnCount() || !m_source.isHeld(column))
        return;
    m_known = std::move(ranking);
    // Ranked in the order of the column's texts as the source holds them: each text's index
    // among the known ones is found without a lookup.
    if (texts != &m_source.heldTexts(column))
        return;
    std::vector<int> indexes = m_known.indexesOf(*texts);
    if (std::find(indexes.begin(), indexes.end(), -1) != indexes.end())
        return; // not ranked there: the first sort looks the texts up itself
    m_indexOfText = std::move(indexes);
    m_indexedColumn = column;
    m_indexedGeneration = m_source.generation();
}

void GridModel::reload(bool keepHeadings)
{
    beginResetModel();
    m_order.resize(static_cast<size_t>(m_source.recordCount()));
    std::iota(m_order.begin(), m_order.end(), 0);
    if (!keepHeadings)
        m_headers.clear();
    endResetModel();
}
