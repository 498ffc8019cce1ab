#pragma once

#include <QHash>
#include <QWidget>

#include <memory>

class BoundField;
class Register;
class UndoHistory;
class RecordSource;

namespace Ui {
class Form3;
}

// "PŘIDÁNÍ CD": enters a new disc, checks it, confirms it line by line and stores it.
class Form3 : public QWidget
{
    Q_OBJECT

public:
    // What it stores is a step of the history, when there is one.
    explicit Form3(Register& reg, UndoHistory* history = nullptr, QWidget* parent = nullptr);
    ~Form3() override;

private:
    void Form_Load();
    void Command2_Click();
    void Command1_Click();

    std::unique_ptr<Ui::Form3> ui;
    RecordSource* Data1;
};
