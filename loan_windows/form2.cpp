#include "loan_windows/form2.h"

#include "ui_common/fixed_window.h"
#include "ui_form2.h"

#include "binding/record_source.h"
#include "core/field_value.h"
#include "ui_common/messages.h"
#include "widgets/bound_field.h"
#include "widgets/bound_grid.h"

#include <QDate>

namespace {

struct Column
{
    const char* header;
    int width; // twips
};

const Column columns[] = {{"ID", 500},        {"Datum", 1000},       {"Jméno", 1000},
                          {"Příjmení", 1000}, {"Název disku", 4000}, {"Poznámka", 1950},
                          {"Uživatel", 0},    {"Vráceno", 0},        {"Datum vrácení", 0}};

} // namespace

Form2::Form2(Register& reg, UndoHistory* history, QWidget* parent)
    : ProgramWindow(parent), ui(std::make_unique<Ui::Form2>()),
      Data1(new RecordSource(reg, QStringLiteral("nevracenecd"), this))
{
    Data1->setHistory(history);
    ui->setupUi(this);
    makeFixedWindow(this);
    ui->MSFlexGrid1->setAccessibleName(QStringLiteral("Nevrácená CD"));
    m_grid = new BoundGrid(ui->MSFlexGrid1, *Data1, BoundGrid::Selection::ByRow, BoundGrid::Header::FieldRow);
    // An id up to 9999 and a whole date (with two-digit day and month) show uncut.
    m_grid->fitWholeValues(
        {{columns[0].width, QStringLiteral("9999")}, {columns[1].width, QStringLiteral("00.00.0000")}});
    BoundField::bind(*Data1, {{"datumpujceni", ui->Text1},
                              {"jmeno", ui->Text2},
                              {"prijmeni", ui->Text3},
                              {"poznamka", ui->Text4},
                              {"nazev", ui->Text5},
                              {"vraceno", ui->Text6},
                              {"datumvraceni", ui->Text7}});
    ui->Text6->hide();
    ui->Text7->hide();
    connect(m_grid, &BoundGrid::picked, this, &Form2::MSFlexGrid1_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(ui->Command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    messages::report(this, Data1->refresh());
}

Form2::~Form2() = default;

void Form2::Form_Activate()
{
    for (int column = 0; column < 9; ++column)
        m_grid->setColWidth(column, columns[column].width);
    NastavMrizku();
    VymazPole();
    // Counts what the list holds now; it is not queried again here.
    ui->LblNadpis->setText(QStringLiteral("Počet nevrácených CD - ") + QString::number(Data1->recordCount()));
}

void Form2::NastavMrizku()
{
    for (int column = 0; column < 9; ++column)
        m_grid->setHeaderText(column, QString::fromUtf8(columns[column].header));
}

void Form2::VymazPole()
{
    for (const QWidget* box :
         {static_cast<QWidget*>(ui->Text1), static_cast<QWidget*>(ui->Text2), static_cast<QWidget*>(ui->Text3),
          static_cast<QWidget*>(ui->Text4), static_cast<QWidget*>(ui->Text5)})
        BoundField::of(box).clearDisplay();
}

// A pick shows the loan of the row, whichever of its cells was clicked.
void Form2::MSFlexGrid1_Click()
{
    bool isNumber = false;
    const qint64 loan = m_grid->text().toLongLong(&isNumber);
    if (!isNumber)
        return; // no loan under the click
    Data1->setRecordSource(queries::idEquals(QStringLiteral("nevracenecd"), QStringLiteral("idvypujcky"), loan));
    if (messages::report(this, Data1->refresh()))
        NastavMrizku();
}

void Form2::Command1_Click()
{
    Data1->setRecordSource(QStringLiteral("nevracenecd"));
    if (!messages::report(this, Data1->refresh()))
        return;
    NastavMrizku();
    VymazPole();
}

// "VRÁTIT CD": marks the picked loan returned today; the list is re-queried in every case.
void Form2::Command2_Click()
{
    if (ui->Text1->text().isEmpty()) {
        messages::critical(this, QStringLiteral("Chyba"), QStringLiteral("Není vybrána žádná výpujčka"));
    } else if (messages::question(this, QStringLiteral("Vrácení CD"),
                                  QStringLiteral("Potvrdit vrácení cd.\nNázev: ") + ui->Text5->text() +
                                      QStringLiteral("\nOd: ") + ui->Text2->text() + QLatin1Char(' ') +
                                      ui->Text3->text())) {
        BoundField::of(ui->Text6).store(QStringLiteral("1"));
        BoundField::of(ui->Text7).store(fieldvalue::formatDate(QDate::currentDate()));
        // Stored before "CD bylo vráceno" is said, so a failure is never reported as a return.
        if (messages::report(this, Data1->update()))
            messages::information(this, QStringLiteral("Vrácení CD"), QStringLiteral("CD bylo vráceno"));
        else
            Data1->cancelUpdate();
    }
    Data1->setRecordSource(QStringLiteral("nevracenecd"));
    if (!messages::report(this, Data1->refresh()))
        return;
    NastavMrizku();
    VymazPole();
}

void Form2::Command3_Click()
{
    close();
}
