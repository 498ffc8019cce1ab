#pragma once

#include <QAbstractItemModel>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QTest>

// What a user does and sees in the windows, for window tests.
namespace gui {

// Types text into the focused control a character at a time (Czech letters too).
inline void type(QWidget* box, const QString& text)
{
    box->setFocus();
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// Presses Backspace in the control.
inline void backspace(QWidget* box, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(box, Qt::Key_Backspace);
}

// Clicks a button as the user does.
inline void click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// Clicks the cell of a grid (row as shown, column of the model), scrolled to first.
inline void clickCell(QTableView* grid, int row, int column)
{
    grid->scrollTo(grid->model()->index(row, column));
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

// The texts of one column, top to bottom, whole (a grid draws at most the first thousand characters).
inline QStringList column(QTableView* grid, int column)
{
    QStringList values;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        values << grid->model()->index(row, column).data(Qt::UserRole).toString();
    return values;
}

// The row showing the text in the column, -1 when none.
inline int rowOf(QTableView* grid, int column, const QString& text)
{
    return static_cast<int>(gui::column(grid, column).indexOf(text));
}

} // namespace gui
