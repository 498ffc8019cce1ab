#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <initializer_list>
#include <utility>
#include <vector>

class GridModel;
class QModelIndex;
class QTableView;
class RecordSource;

// A read-only grid that shows every row of a record source: column widths
// in twips (0 hides a column), the grid's own sort, the current cell's text,
// and a pick raised by a single left click on a data cell, or by Enter or Space on
// the current cell.
class BoundGrid : public QObject
{
    Q_OBJECT

public:
    enum class Selection {
        ByCell, // a click makes the clicked cell current
        ByRow   // a click selects the whole row and makes its column 0 current
    };
    enum class Header {
        None,    // the first row is the first record
        FieldRow // a header row shows the header texts
    };

    BoundGrid(QTableView* view, RecordSource& source, Selection selection, Header header);

    // Sets a column's width in twips; 0 hides it. Widths hold across reloads.
    void setColWidth(int column, int twips);
    // Makes the font small enough that each sample text fits whole in its width in twips
    // (a whole date, the largest id a user keeps).
    void fitWholeValues(std::initializer_list<std::pair<int, QString>> samples);
    // Makes the column the one Sort and Text work on.
    void setCol(int column);
    // 1 sorts all rows ascending by the current column, 2 descending.
    void sort(int direction);
    // The text of the current cell; empty when no cell is current.
    QString text() const;
    // The keys (column 0, held for every row) of the rows in the order the grid shows them.
    std::vector<qint64> keysInOrder() const;
    // The grid's rows in the grid's order.
    GridModel* model() const { return m_model; }
    // Writes a header text (row 0 of a grid with a header row); reloads restore field names.
    void setHeaderText(int column, const QString& text);

Q_SIGNALS:
    // The user picked a data cell; text() is that cell's (or, by row, the row's column 0) text.
    void picked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyWidths();
    void onClicked(const QModelIndex& index);
    // Highlights the picked row (or cell).
    void select(const QModelIndex& index);

    QTableView* m_view;
    RecordSource& m_source;
    GridModel* m_model;
    Selection m_selection;
    QVector<int> m_widths; // twips per column, -1 for "as it is"
    int m_col = 0;
    int m_currentRow = -1;
    int m_currentColumn = -1;
};
