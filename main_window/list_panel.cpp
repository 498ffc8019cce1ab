// What the CD list and the people list do alike.
#include "main_window/form1.h"

#include "binding/record_source.h"
#include "ui_common/messages.h"
#include "widgets/bound_grid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

int Form1::showCount(ListPanel& panel, const QString& heading, bool paging)
{
    const int count = panel.source->recordCount();
    panel.heading->setText(heading + QString::number(count));
    panel.previous->setVisible(paging && count > 1);
    panel.next->setVisible(paging && count > 1);
    return count;
}

int Form1::sortAndCount(ListPanel& panel, quint8 direction, const QString& heading)
{
    panel.grid->setCol(1);
    // The first rows shown while the rest is read are in this order already.
    if (!m_showingFirstRows)
        panel.grid->sort(direction);
    return showCount(panel, heading, false);
}

bool Form1::requery(ListPanel& panel, const SourceQuery& query)
{
    if (panel.source == Data1 && refusesEditedCount())
        return false;
    panel.source->setRecordSource(query);
    if (messages::report(this, panel.source->refresh()))
        return true;
    focusRefusedCount();
    return false;
}

void Form1::showAll(ListPanel& panel)
{
    if (!requery(panel, queries::all(panel.table)))
        return;
    (this->*panel.refreshList)();
    // Emptying a box that held text is a change: the search runs with the empty text.
    panel.search->setText(QString());
}

bool Form1::page(ListPanel& panel, bool forward)
{
    RecordSource& source = *panel.source;
    const bool atEnd = forward ? source.absolutePosition() + 1 == source.recordCount() : source.absolutePosition() == 0;
    if (atEnd) {
        messages::beep();
        return false;
    }
    if (panel.source == Data1 && refusesEditedCount())
        return false;
    if (messages::report(this, forward ? source.moveNext() : source.movePrevious()))
        return true;
    focusRefusedCount();
    return false;
}
