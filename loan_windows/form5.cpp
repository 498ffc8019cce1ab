#include "loan_windows/form5.h"

#include "ui_common/fixed_window.h"
#include "ui_form5.h"

#include "binding/record_source.h"
#include "ui_common/messages.h"
#include "widgets/bound_grid.h"

namespace {

struct Column
{
    const char* header;
    int width; // twips
};

const Column columns[] = {{"ID", 400},        {"Půjčeno", 1000},     {"Vráceno", 1000}, {"Jméno", 1200},
                          {"Příjmení", 1200}, {"Název disku", 4000}, {"V*", 400},       {"Poznámka", 3950},
                          {"ID Člověka", 0},  {"ID CD", 0}};

} // namespace

Form5::Form5(Register& reg, QWidget* parent)
    : ProgramWindow(parent), ui(std::make_unique<Ui::Form5>()),
      Data1(new RecordSource(reg, QStringLiteral("vypujcky"), this))
{
    ui->setupUi(this);
    makeFixedWindow(this);
    ui->MSFlexGrid1->setAccessibleName(QStringLiteral("Historie půjčování"));
    m_grid = new BoundGrid(ui->MSFlexGrid1, *Data1, BoundGrid::Selection::ByCell, BoundGrid::Header::FieldRow);
    // An id up to 9999 and a whole date (with two-digit day and month) show uncut.
    m_grid->fitWholeValues(
        {{columns[0].width, QStringLiteral("9999")}, {columns[1].width, QStringLiteral("00.00.0000")}});
    // A re-query while the window is already in front brings no activation: keep the header row named.
    connect(Data1, &RecordSource::rowsReset, this, &Form5::NastavMrizku);
    connect(ui->CmbPujcit, &QPushButton::clicked, this, &Form5::CmbPujcit_Click);
}

Form5::~Form5() = default;

Status Form5::showLoans(const SourceQuery& query, const QString& heading)
{
    Data1->setRecordSource(query);
    if (Status s = Data1->refresh(); !s.ok())
        return s;
    ui->LblNadpis1->setText(heading);
    return Status::success();
}

void Form5::Form_Activate()
{
    NastavMrizku();
    for (int column = 0; column < 10; ++column)
        m_grid->setColWidth(column, columns[column].width);
}

void Form5::NastavMrizku()
{
    for (int column = 0; column < 10; ++column)
        m_grid->setHeaderText(column, QString::fromUtf8(columns[column].header));
}

void Form5::CmbPujcit_Click()
{
    close();
}
