#pragma once

#include <QHash>
#include <QWidget>

#include <memory>

class BoundField;
class Register;
class UndoHistory;
class RecordSource;

namespace Ui {
class Form4;
}

// "PŘIDÁNÍ LIDÍ": enters a new person, checks both names, confirms and stores.
class Form4 : public QWidget
{
    Q_OBJECT

public:
    // What it stores is a step of the history, when there is one.
    explicit Form4(Register& reg, UndoHistory* history = nullptr, QWidget* parent = nullptr);
    ~Form4() override;

private:
    void Command2_Click();
    void Command1_Click();

    std::unique_ptr<Ui::Form4> ui;
    RecordSource* Data1;
};
