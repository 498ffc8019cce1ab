#pragma once

#include "core/list_order.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

#include <vector>

class RecordSource;

// The rows of a record source as a read-only table, with the grid's own sort:
// only the grid's order changes, the record source stays as it is. Cells
// holding numbers compare as numbers, other text by Czech collation.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The whole text of a cell; the display role shows at most maxShownLength characters of it.
    static constexpr int FullTextRole = Qt::UserRole;
    static constexpr qsizetype maxShownLength = 1000;

    explicit GridModel(RecordSource& source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Sorts all rows by the column, ascending or descending (stable: rows of equal texts keep their order).
    void sortRows(int column, Qt::SortOrder order);
    // The header text of a column until the next reload (the field's name by default).
    void setHeaderText(int column, const QString& text);
    // Takes ranks worked out elsewhere (while the window started) for the texts of a held
    // column, given in the order of the source's texts: the first sort by that column then
    // works out no collation key. Ignored once the grid has sorted by itself.
    void adoptRanking(int column, const std::vector<QString>* texts, listorder::Ranking ranking);
    // The record source row shown in the grid row.
    int sourceRow(int gridRow) const { return m_order[static_cast<size_t>(gridRow)]; }

private:
    void reload(bool keepHeadings);
    std::vector<int> textIndexes(int column, bool& newTexts);
    void reorder(std::vector<int> order);

    RecordSource& m_source;
    std::vector<int> m_order; // grid row -> source row
    QStringList m_headers;
    // Every distinct text sorted so far, kept across reloads: its collation key and its rank.
    listorder::Ranking m_known;
    // The known text of each held text of the column sorted last, kept while the
    // source's rows stay as they were (sorting again, the other way, looks up nothing).
    int m_indexedColumn = -1;
    quint64 m_indexedGeneration = 0;
    std::vector<int> m_indexOfText;
};
