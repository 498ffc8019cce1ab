#pragma once

#include "ui_common/program_window.h"

#include <QHash>

#include <memory>

class BoundField;
class BoundGrid;
class Register;
class UndoHistory;
class RecordSource;
class Status;

namespace Ui {
class Form2;
}

// "VRÁCENÍ PŮJČENÝCH CD": lists and counts the unreturned loans, shows a
// picked loan and marks it returned with today's date.
class Form2 : public ProgramWindow
{
    Q_OBJECT

public:
    // What it stores is a step of the history, when there is one.
    explicit Form2(Register& reg, UndoHistory* history = nullptr, QWidget* parent = nullptr);
    ~Form2() override;

protected:
    void Form_Activate() override;

private:
    void NastavMrizku();
    void VymazPole();
    void MSFlexGrid1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    std::unique_ptr<Ui::Form2> ui;
    RecordSource* Data1;
    BoundGrid* m_grid = nullptr; // MSFlexGrid1
};
