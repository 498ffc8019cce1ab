#pragma once

#include "ui_common/program_window.h"

#include <memory>

class BoundGrid;
class Register;
class RecordSource;
class Status;
struct SourceQuery;

namespace Ui {
class Form5;
}

// "HISTORIE": the loans, returned or not, of everything, of one CD or of one person.
class Form5 : public ProgramWindow
{
    Q_OBJECT

public:
    explicit Form5(Register& reg, QWidget* parent = nullptr);
    ~Form5() override;

    // Re-queries the window on the loans given and sets its heading (the main window's history buttons).
    Status showLoans(const SourceQuery& query, const QString& heading);

protected:
    void Form_Activate() override;

private:
    void NastavMrizku();
    void CmbPujcit_Click();

    std::unique_ptr<Ui::Form5> ui;
    RecordSource* Data1;
    BoundGrid* m_grid = nullptr; // MSFlexGrid1
};
