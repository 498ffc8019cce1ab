// Editing the CD or the person shown, in place in its panel, with the rest of the window locked.
#include "main_window/form1.h"

#include "ui_form1.h"

#include "binding/record_source.h"
#include "core/field_value.h"
#include "ui_common/messages.h"
#include "widgets/bound_field.h"
#include "widgets/bound_grid.h"

namespace {

// The caption of a panel being edited is red. Only the frame's own text colour changes:
// a style sheet would also change the fonts inside the frame, for good.
void showEditingColour(QGroupBox* frame, bool editing)
{
    QPalette palette;
    if (editing) {
        palette = frame->palette();
        palette.setColor(QPalette::Active, QPalette::WindowText, QColor(255, 0, 0));
        palette.setColor(QPalette::Inactive, QPalette::WindowText, QColor(255, 0, 0));
    }
    frame->setPalette(palette); // a default palette: the frame's colours are the window's again
}

void setLocked(std::initializer_list<QWidget*> boxes, bool locked)
{
    for (QWidget* box : boxes) {
        if (auto* line = qobject_cast<QLineEdit*>(box))
            line->setReadOnly(locked);
        else if (auto* plain = qobject_cast<QPlainTextEdit*>(box))
            plain->setReadOnly(locked);
    }
}

// Shows a type in an editable combo box from its beginning, as the text boxes show theirs.
void showType(QComboBox* combo, const QString& text)
{
    combo->setEditText(text);
    combo->lineEdit()->setCursorPosition(0);
}

} // namespace

void Form1::connectEditing()
{
    // The labels and check boxes inside the panels keep their own text colour when the
    // frame's turns red.
    for (QGroupBox* frame : {ui->CD, ui->Lide})
        for (QWidget* control : frame->findChildren<QWidget*>()) {
            QPalette own = control->palette();
            for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                own.setColor(group, QPalette::WindowText, own.color(group, QPalette::WindowText));
            control->setPalette(own);
        }
    connect(ui->Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(ui->Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(ui->Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(ui->Command13, &QPushButton::clicked, this, &Form1::Command13_Click);
    // Paging brings another CD into the panel while it is edited: the type boxes then
    // show that CD's types, so "OK" stores what is shown.
    connect(Data1, &RecordSource::currentChanged, this, [this] {
        if (m_editingCd)
            showTypesForEditing();
    });
}

void Form1::ZamkniOkno()
{
    setWindowLocked(true);
}

void Form1::OdemkniOkno()
{
    setWindowLocked(false);
}

// While a record is edited, these controls cannot be used.
void Form1::setWindowLocked(bool locked)
{
    for (QWidget* control :
         {static_cast<QWidget*>(ui->MSFlexGrid1), static_cast<QWidget*>(ui->MSFlexGrid2),
          static_cast<QWidget*>(ui->Frame1), static_cast<QWidget*>(ui->Frame2),
          static_cast<QWidget*>(ui->CmbZobrazVseCd), static_cast<QWidget*>(ui->CmbZobrazVseLide),
          static_cast<QWidget*>(ui->TxtHledejCd), static_cast<QWidget*>(ui->TxtHledejLidi),
          static_cast<QWidget*>(ui->Lide), static_cast<QWidget*>(ui->CD), static_cast<QWidget*>(ui->Command1),
          static_cast<QWidget*>(ui->Command2), static_cast<QWidget*>(ui->Command3), static_cast<QWidget*>(ui->Command6),
          static_cast<QWidget*>(ui->Command9), static_cast<QWidget*>(ui->CmbPujcit),
          static_cast<QWidget*>(ui->CmbKonec)})
        control->setEnabled(!locked);
}

void Form1::showTypesForEditing()
{
    showType(ui->Combo1, Data1->fieldText(QStringLiteral("typobsahu")));
    showType(ui->Combo2, Data1->fieldText(QStringLiteral("typdisku")));
}

// Editing shows the check boxes, type boxes and "OK" in the places of the
// yes/no texts, the type texts and "Zobrazit historii"; its end shows those again.
void Form1::showCdEditControls(bool editing)
{
    for (QWidget* w :
         {static_cast<QWidget*>(ui->Label9), static_cast<QWidget*>(ui->Text7), static_cast<QWidget*>(ui->Label8),
          static_cast<QWidget*>(ui->Text6), static_cast<QWidget*>(ui->Text5), static_cast<QWidget*>(ui->Text4),
          static_cast<QWidget*>(ui->Command7)})
        w->setVisible(!editing);
    for (QWidget* w :
         {static_cast<QWidget*>(ui->Command11), static_cast<QWidget*>(ui->Check1), static_cast<QWidget*>(ui->Check2),
          static_cast<QWidget*>(ui->Combo1), static_cast<QWidget*>(ui->Combo2)})
        w->setVisible(editing);
    // The labels name the boxes shown: a screen reader announces the type boxes by them.
    ui->Label6->setBuddy(editing ? static_cast<QWidget*>(ui->Combo2) : ui->Text4);
    ui->Label7->setBuddy(editing ? static_cast<QWidget*>(ui->Combo1) : ui->Text5);
}

void Form1::Command10_Click()
{
    if (ui->Text1->text().isEmpty()) {
        messages::critical(this, QStringLiteral("Editace záznamu"), QStringLiteral("Není vybrán žádný záznam"));
        return;
    }
    ZamkniOkno();
    ui->CD->setEnabled(true);
    showCdEditControls(true);
    showType(ui->Combo1, ui->Text5->text());
    showType(ui->Combo2, ui->Text4->text());
    showEditingColour(ui->CD, true);
    ui->CD->setTitle(ui->CD->title() + QStringLiteral(" - EDITACE"));
    setLocked({ui->Text2, ui->Text3, ui->Text4, ui->Text5, ui->Text8}, false);
    m_editingCd = true;
    ui->Text2->setFocus(); // the user goes on where the editing begins
}

void Form1::Command11_Click()
{
    finishCdEditing(true);
}

// Before Data1 moves while the CD is edited (paging, "Filtruj"), the types typed into
// the combo boxes go into their fields, so the move stores them with the CD's other edits.
void Form1::keepTypedTypes()
{
    if (!m_editingCd || ui->Text1->text().isEmpty())
        return;
    BoundField::of(ui->Text5).store(ui->Combo1->currentText());
    BoundField::of(ui->Text4).store(ui->Combo2->currentText());
}

// Ends editing the CD as "OK" does: stores what the panel shows into the CD it shows,
// re-queries the list and unlocks the window. A panel emptied meanwhile ("Smazat",
// "Filtruj") shows no CD: nothing is stored then. Returns false when a count that the
// field cannot hold keeps the panel in editing.
bool Form1::finishCdEditing(bool announce)
{
    const bool shown = !ui->Text1->text().isEmpty();
    if (shown) {
        // Refused here, the panel stays in editing; accepted, the record source stores the
        // number meant ("1e3" is 1000).
        if (refusesEditedCount())
            return false;
    } else if (announce) {
        messages::critical(this, QStringLiteral("Editace záznamu"), QStringLiteral("Není vybrán žádný záznam"));
    }
    keepTypedTypes();
    m_editingCd = false;
    showCdEditControls(false);
    showEditingColour(ui->CD, false);
    ui->CD->setTitle(QStringLiteral("Informace o CD"));
    setLocked({ui->Text2, ui->Text3, ui->Text4, ui->Text5, ui->Text8}, true);
    endEditing(m_cds, shown, announce);
    return true;
}

// The count of the CD being edited, checked before anything stores it ("OK", the close box,
// paging, a re-query): a count the field cannot hold is told under the editing's title, the
// same whichever action found it, and the panel stays in editing.
bool Form1::refusesEditedCount()
{
    if (!m_editingCd || ui->Text1->text().isEmpty() || ui->Text3->text().trimmed().isEmpty())
        return false;
    const fieldvalue::WholeNumber parsed = fieldvalue::parseDiscCount(ui->Text3->text());
    if (parsed.ok)
        return false;
    messages::critical(this, QStringLiteral("Editace záznamu"), parsed.message);
    focusRefusedCount();
    return true;
}

// After a refusal of the CD being edited, the user goes on in the count that was refused
// (the only field of the panel that refuses a value), with its text selected to retype.
void Form1::focusRefusedCount()
{
    if (!m_editingCd || fieldvalue::parseDiscCount(ui->Text3->text()).ok)
        return;
    ui->Text3->setFocus(Qt::OtherFocusReason);
    ui->Text3->selectAll();
}

void Form1::Command12_Click()
{
    if (ui->Text9->text().isEmpty()) {
        messages::critical(this, QStringLiteral("Editace záznamu"), QStringLiteral("Není vybrán žádný záznam"));
        return;
    }
    ZamkniOkno();
    ui->Lide->setEnabled(true);
    setLocked({ui->Text10, ui->Text11, ui->Text12, ui->Text13, ui->Text14}, false);
    ui->Command8->hide();
    showEditingColour(ui->Lide, true);
    ui->Lide->setTitle(ui->Lide->title() + QStringLiteral(" - EDITACE"));
    ui->Command13->show();
    m_editingPerson = true;
    ui->Text10->setFocus();
}

void Form1::Command13_Click()
{
    finishPersonEditing(true);
}

// Ends editing the person as "OK" does; as for the CD, a panel emptied by "Smazat" stores nothing.
void Form1::finishPersonEditing(bool announce)
{
    const bool shown = !ui->Text9->text().isEmpty();
    if (!shown && announce)
        messages::critical(this, QStringLiteral("Editace záznamu"), QStringLiteral("Není vybrán žádný záznam"));
    m_editingPerson = false;
    setLocked({ui->Text10, ui->Text11, ui->Text12, ui->Text13, ui->Text14}, true);
    showEditingColour(ui->Lide, false);
    ui->Lide->setTitle(QStringLiteral("Informace o lidech"));
    ui->Command13->hide();
    ui->Command8->show();
    endEditing(m_people, shown, announce);
}

// The end of editing a panel, as "OK" ends it: its edits are stored by re-querying its
// whole table (the commit rule) when it shows the record edited, dropped when it shows
// none; the list is shown again and the window unlocked. When the store fails, the edits
// are dropped, the file stays as it was and no change is reported.
void Form1::endEditing(ListPanel& panel, bool shown, bool announce)
{
    if (!shown)
        panel.source->cancelUpdate();
    panel.source->setRecordSource(panel.table);
    const bool stored = messages::report(this, panel.source->refresh());
    if (!stored) {
        panel.source->cancelUpdate();
        messages::report(this, panel.source->refresh());
    }
    (this->*panel.refreshList)();
    panel.search->setText(QString());
    if (stored && shown && announce)
        messages::information(this, QStringLiteral("Editace záznamu"), QStringLiteral("Záznam byl změněn"));
    OdemkniOkno();
}
