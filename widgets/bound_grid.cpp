#include "widgets/bound_grid.h"

#include "binding/grid_model.h"
#include "binding/record_source.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>

#include <algorithm>

namespace {
constexpr int twipsPerPixel = 15;
// The blank left on each side of a loan list's cell text. The style's own three pixels
// would take a sixth of the narrowest column, laid out for a value and little more.
constexpr int cellMargin = 1;

// Draws a cell as the style does, but its text with the narrow margin, ending a cut text
// in "…".
class NarrowMarginDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        const QString text = cell.text;
        cell.text.clear();
        const QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
        const QPalette::ColorGroup group = !(cell.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (cell.state & QStyle::State_Active) ? QPalette::Active
                                                                                 : QPalette::Inactive;
        const QRect room = cell.rect.adjusted(cellMargin, 0, -cellMargin, 0);
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(group, (cell.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                        : QPalette::Text));
        painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                          cell.fontMetrics.elidedText(text, Qt::ElideRight, room.width()));
        painter->restore();
    }
};

} // namespace

BoundGrid::BoundGrid(QTableView* view, RecordSource& source, Selection selection, Header header)
    : QObject(view), m_view(view), m_source(source), m_model(new GridModel(source, this)), m_selection(selection)
{
    m_view->setModel(m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The user selects nothing by moving about the grid: a row (or cell) is highlighted
    // only when it is picked, so a highlight never suggests a pick that was not made.
    m_view->setSelectionMode(QAbstractItemView::NoSelection);
    m_view->setSelectionBehavior(selection == Selection::ByRow ? QAbstractItemView::SelectRows
                                                               : QAbstractItemView::SelectItems);
    m_view->setSortingEnabled(false);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setVisible(header == Header::FieldRow);
    m_view->horizontalHeader()->setSectionsClickable(false);
    m_view->horizontalHeader()->setHighlightSections(false);
    // Rows of one fixed height: the view then keeps no per-row sizes, which a list of a
    // million rows would make costly at every reload.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->setWordWrap(false);
    // The main window's one-column lists: a name a pixel too wide stays readable. The loan
    // lists' narrow columns end a cut text in "…" and show it whole as a tooltip.
    m_view->setTextElideMode(header == Header::FieldRow ? Qt::ElideRight : Qt::ElideNone);
    if (header == Header::FieldRow) {
        m_view->setItemDelegate(new NarrowMarginDelegate(m_view));
        m_view->viewport()->installEventFilter(this);
    }
    connect(m_view, &QTableView::clicked, this, &BoundGrid::onClicked);
    // From the keyboard: the arrow keys move the current cell, Enter or Space picks it as a
    // click does, and Tab leaves the grid at once instead of walking through its cells.
    m_view->setTabKeyNavigation(false);
    m_view->installEventFilter(this);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_currentRow = -1;
        m_currentColumn = -1;
        applyWidths();
    });
}

void BoundGrid::setColWidth(int column, int twips)
{
    if (column < 0)
        return;
    while (m_widths.size() <= column)
        m_widths << -1;
    m_widths[column] = twips;
    applyWidths();
}

void BoundGrid::fitWholeValues(std::initializer_list<std::pair<int, QString>> samples)
{
    // The widths in twips were laid out for a font narrower than a desktop's usual one; the
    // grid's font gets smaller, a quarter point at a time, until each value fits whole
    // (within reason: below six points the values are cut and shown in their tooltip).
    constexpr qreal smallest = 6;
    QFont font = m_view->font();
    const auto fits = [&samples](const QFont& candidate) {
        const QFontMetricsF metrics(candidate);
        return std::all_of(samples.begin(), samples.end(), [&metrics](const auto& sample) {
            return metrics.horizontalAdvance(sample.second) <= sample.first / twipsPerPixel - 1 - 2 * cellMargin;
        });
    };
    while (font.pointSizeF() > smallest && !fits(font))
        font.setPointSizeF(std::max(smallest, font.pointSizeF() - 0.25));
    m_view->setFont(font);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
}

void BoundGrid::setCol(int column)
{
    m_col = column;
}

void BoundGrid::sort(int direction)
{
    m_model->sortRows(m_col, direction == 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
    // The grid's rows moved: the cell that was current is no longer where it was.
    m_currentRow = -1;
    m_currentColumn = -1;
    m_view->clearSelection();
}

QString BoundGrid::text() const
{
    if (m_currentRow < 0 || m_currentRow >= m_model->rowCount())
        return QString();
    const int column = m_selection == Selection::ByRow ? 0 : m_currentColumn;
    return m_model->data(m_model->index(m_currentRow, column), GridModel::FullTextRole).toString();
}

void BoundGrid::setHeaderText(int column, const QString& text)
{
    m_model->setHeaderText(column, text);
}

void BoundGrid::applyWidths()
{
    // The source need not read, for every row, the columns nobody sees.
    if (!m_widths.isEmpty()) {
        QList<int> shown;
        for (int column = 0; column < m_widths.size(); ++column)
            if (m_widths[column] != 0)
                shown << column;
        m_source.setHeldColumns(shown);
    }
    for (int column = 0; column < m_widths.size() && column < m_model->columnCount(); ++column) {
        const int twips = m_widths[column];
        if (twips < 0)
            continue;
        m_view->setColumnHidden(column, twips == 0);
        if (twips > 0)
            m_view->setColumnWidth(column, twips / twipsPerPixel);
    }
}

bool BoundGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && watched != m_view) { // over the viewport
        const QPoint at = static_cast<QHelpEvent*>(event)->pos();
        const QModelIndex index = m_view->indexAt(at);
        const QString text = index.isValid() ? m_model->data(index, GridModel::FullTextRole).toString() : QString();
        const int room = m_view->visualRect(index).width() - 2 * cellMargin;
        if (!text.isEmpty() && m_view->fontMetrics().horizontalAdvance(text) > room)
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, m_view->viewport());
        else
            QToolTip::hideText();
        return true;
    }
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            onClicked(m_view->currentIndex());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void BoundGrid::onClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    m_currentRow = index.row();
    m_currentColumn = m_selection == Selection::ByRow ? 0 : index.column();
    select(index);
    const QString key = m_source.cell(m_model->sourceRow(index.row()), 0);
    Q_EMIT picked();
    // A pick that read the list anew (down to the picked record, say) leaves the current cell
    // on the picked record, highlighted: the keyboard goes on from there, and a screen reader
    // announces the row picked.
    if (m_view->currentIndex().isValid() || m_model->rowCount() == 0)
        return;
    constexpr int searched = 4096;
    for (int row = 0; row < std::min(m_model->rowCount(), searched); ++row)
        if (m_source.cell(m_model->sourceRow(row), 0) == key) {
            const QModelIndex again = m_model->index(row, index.column());
            m_view->setCurrentIndex(again);
            select(again);
            m_currentRow = row;
            m_currentColumn = m_selection == Selection::ByRow ? 0 : again.column();
            return;
        }
}

void BoundGrid::select(const QModelIndex& index)
{
    m_view->selectionModel()->select(
        index, QItemSelectionModel::ClearAndSelect |
                   (m_selection == Selection::ByRow ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
}

std::vector<qint64> BoundGrid::keysInOrder() const
{
    std::vector<qint64> keys;
    keys.reserve(static_cast<size_t>(m_model->rowCount()));
    for (int row = 0; row < m_model->rowCount(); ++row)
        keys.push_back(m_source.cell(m_model->sourceRow(row), 0).toLongLong());
    return keys;
}
