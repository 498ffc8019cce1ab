#pragma once

// The windows of the program over a fresh copy of the generated register, as the
// benchmarks use them.
#include "gui_input.h"
#include "main_window/form1.h"
#include "rows/register.h"

#include <QMessageBox>
#include <QTableView>
#include <QTemporaryDir>

#include <memory>

namespace benchsession {

// The generated register (ORDISK_BENCH_DB) and the folder its copies are made in.
extern QString sourceFile;
extern std::unique_ptr<QTemporaryDir> workDir;

// Answers every message box and input box at once with its default (Yes, OK) button,
// as a user who knows the dialogs would; a queue decides the few No answers.
class Answerer : public QObject
{
public:
    Answerer();
    QList<QMessageBox::StandardButton> answers;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// A fresh copy of the generated register for each benchmark, and the main window over it.
struct Session
{
    std::unique_ptr<Register> reg;
    std::unique_ptr<Form1> form;

    explicit Session(bool withWindow = true);
    // Opens the register anew, as a new start of the program does: nothing kept in memory.
    void reopen();
    void openWindow();
    // Waits until both lists hold every row (those shown at first may be the last run's first rows).
    void waitForEveryRow();
    template <class T> T* child(const char* name) { return form->findChild<T*>(QString::fromLatin1(name)); }
    void click(const char* name) { gui::click(child<QWidget>(name)); }
    void clickCell(const char* grid, int row, int column) { gui::clickCell(child<QTableView>(grid), row, column); }
    int rowOf(const char* grid, int column, const QString& text)
    {
        return gui::rowOf(child<QTableView>(grid), column, text);
    }
    void pickCd(const QString& name) { clickCell("MSFlexGrid1", rowOf("MSFlexGrid1", 1, name), 1); }
    void pickFirstPerson() { clickCell("MSFlexGrid2", 0, 1); }
};

} // namespace benchsession
