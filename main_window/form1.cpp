#include "main_window/form1.h"

#include <QLabel>

#include "ui_common/fixed_window.h"
#include "ui_form1.h"

#include "binding/record_source.h"
#include "core/value_lists.h"
#include "entry_windows/form3.h"
#include "entry_windows/form4.h"
#include "entry_windows/frmabout.h"
#include "main_menu/main_menu.h"
#include "rows/register.h"
#include "ui_common/messages.h"
#include "undo/undo_history.h"
#include "widgets/bound_field.h"
#include "widgets/bound_grid.h"

#include "binding/grid_model.h"
#include "main_window/start_reading.h"
#include "rows/kept_rows.h"

#include <QCloseEvent>
#include <QCoreApplication>

namespace {

// The columns' widths: only the names are seen in the CD list, first names and surnames in
// the people list.
const int cdWidths[] = {0, 4000, 0, 0, 0, 0, 0, 0};
const int peopleWidths[] = {0, 2000, 2000, 0, 0, 0};

template <size_t N> std::vector<int> shownColumns(const int (&widths)[N])
{
    std::vector<int> shown;
    for (size_t column = 0; column < N; ++column)
        if (widths[column] != 0)
            shown.push_back(static_cast<int>(column));
    return shown;
}

// The grids take the ranks of their first sort's texts worked out while the window was made.
void adoptRanks(std::initializer_list<BoundGrid*> grids, std::vector<StartReading::Ranked> ranked)
{
    size_t i = 0;
    for (BoundGrid* grid : grids) {
        if (i < ranked.size() && ranked[i].texts)
            grid->model()->adoptRanking(1, ranked[i].texts, std::move(ranked[i].ranking));
        ++i;
    }
}

} // namespace

Form1::Form1(Register& reg, QWidget* parent)
    : ProgramWindow(parent), ui(std::make_unique<Ui::Form1>()), m_register(reg),
      Data1(new RecordSource(reg, QStringLiteral("cd"), this)),
      Data2(new RecordSource(reg, QStringLiteral("lide"), this)),
      Data3(new RecordSource(reg, QStringLiteral("pujcovani"), this)), m_history(new UndoHistory(reg.db(), this)),
      // Reading the lists' rows begins before anything of the window is made.
      m_start(new StartReading(
          reg,
          {{QStringLiteral("cd"), shownColumns(cdWidths), 1}, {QStringLiteral("lide"), shownColumns(peopleWidths), 1}},
          this))
{
    for (RecordSource* source : {Data1, Data2, Data3})
        source->setHistory(m_history);
    ui->setupUi(this);
    makeFixedWindow(this);
    nameForScreenReaders();
    setReadingOrder();

    m_grid1 = new BoundGrid(ui->MSFlexGrid1, *Data1, BoundGrid::Selection::ByCell, BoundGrid::Header::None);
    m_grid2 = new BoundGrid(ui->MSFlexGrid2, *Data2, BoundGrid::Selection::ByRow, BoundGrid::Header::None);
    m_cds = {Data1,
             m_grid1,
             ui->LblNadpis1,
             ui->TxtHledejCd,
             ui->CmbPredchozi,
             ui->CmbDalsi,
             QStringLiteral("cd"),
             &Form1::ObnovSeznamCd};
    m_people = {Data2,
                m_grid2,
                ui->LblNadpis2,
                ui->TxtHledejLidi,
                ui->CmbPredchoziLidi,
                ui->CmbDalsiLidi,
                QStringLiteral("lide"),
                &Form1::ObnovSeznamLidi};
    bindFields();

    // Controls that only editing or a pick of several records shows, and the loan buffer.
    for (QWidget* w :
         {static_cast<QWidget*>(ui->Check1), static_cast<QWidget*>(ui->Check2), static_cast<QWidget*>(ui->Combo1),
          static_cast<QWidget*>(ui->Combo2), static_cast<QWidget*>(ui->CmbPredchozi),
          static_cast<QWidget*>(ui->CmbDalsi), static_cast<QWidget*>(ui->Command11),
          static_cast<QWidget*>(ui->CmbPredchoziLidi), static_cast<QWidget*>(ui->CmbDalsiLidi),
          static_cast<QWidget*>(ui->Command13), static_cast<QWidget*>(ui->FrmPujceni)})
        w->hide();
    ui->Combo1->setEditText(QStringLiteral("Combo1"));
    ui->Combo2->setEditText(QStringLiteral("Combo2"));
    ui->Combo3->setCurrentIndex(-1);

    connect(ui->CmbKonec, &QPushButton::clicked, this, &Form1::CmbKonec_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(ui->Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(ui->Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(ui->Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(ui->Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(ui->Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(ui->CmbPujcit, &QPushButton::clicked, this, &Form1::CmbPujcit_Click);
    connectCdPanel();
    connectPeoplePanel();
    connectEditing();
    connect(ui->Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(ui->Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    // The menu bar above the controls; after an import the list's own query shows the new rows.
    // A list is printed as the window shows it: its rows, in its order.
    mainmenu::attach(
        this, reg.db(),
        {[this](const QString& table) { showAll(table == m_cds.table ? m_cds : m_people); },
         [this](const QString& table) { return (table == m_cds.table ? m_grid1 : m_grid2)->keysInOrder(); }, m_history,
         [this] {
             const int at = Data2->absolutePosition();
             return at >= 0 && at < Data2->recordCount() ? Data2->cell(at, 0).toLongLong() : qint64(0);
         }});

    Form_Load();
}

Form1::~Form1()
{
    m_windows.closeAll();
    if (m_showingFirstRows)
        watchInput(false);
    else if (!m_register.db().isDamaged())
        m_start->keepFirstRows();
}

void Form1::bindFields()
{
    BoundField::bind(*Data1, {{"idcd", ui->Text1},
                              {"nazev", ui->Text2},
                              {"pocetdisku", ui->Text3},
                              {"typdisku", ui->Text4},
                              {"typobsahu", ui->Text5},
                              {"popis", ui->Text8},
                              {"original", ui->Check1},
                              {"vyrazeno", ui->Check2}});
    BoundField::bind(*Data2, {{"idcloveka", ui->Text9},
                              {"jmeno", ui->Text10},
                              {"prijmeni", ui->Text11},
                              {"telefon", ui->Text12},
                              {"email", ui->Text13},
                              {"poznamka", ui->Text14}});
    BoundField::bind(*Data3, {{"datumpujceni", ui->TxtDatum},
                              {"idcd", ui->TxtIdCd},
                              {"idcloveka", ui->TxtIdCloveka},
                              {"poznamka", ui->TxtPoznamka},
                              {"iduzivatele", ui->TxtIdUzivatele}});
}

// Names a screen reader announces: for controls without a label of their own, and for the
// twin controls of the two lists and panels, which must be told apart by more than their captions.
void Form1::nameForScreenReaders()
{
    const std::pair<QWidget*, const char*> names[] = {
        {ui->MSFlexGrid1, "Seznam CD"},
        {ui->MSFlexGrid2, "Seznam lidí"},
        {ui->Combo3, "Typ obsahu k filtrování"},
        {ui->Combo1, "Typ obsahu"},
        {ui->Combo2, "Typ disku"},
        {ui->TxtPoznamka, "Poznámka"},
        {ui->TxtIdUzivatele, "Uživatel"},
        {ui->TxtHledejCd, "Hledat CD"},
        {ui->TxtHledejLidi, "Hledat lidi"},
        {ui->CmbZobrazVseCd, "Zobrazit všechna CD"},
        {ui->CmbZobrazVseLide, "Zobrazit všechny lidi"},
        {ui->OptVzestupneCd, "Řadit CD vzestupně"},
        {ui->OptSestupneCd, "Řadit CD sestupně"},
        {ui->CmbSetridCd, "Setřídit CD"},
        {ui->OptVzestupneLidi, "Řadit lidi vzestupně"},
        {ui->OptSestupneLidi, "Řadit lidi sestupně"},
        {ui->CmbSetridLidi, "Setřídit lidi"},
        {ui->Text1, "ID CD"},
        {ui->Text9, "ID člověka"},
        {ui->CmbPredchozi, "Předchozí CD"},
        {ui->CmbDalsi, "Další CD"},
        {ui->CmbPredchoziLidi, "Předchozí člověk"},
        {ui->CmbDalsiLidi, "Další člověk"},
        {ui->Command4, "Smazat CD"},
        {ui->Command5, "Smazat člověka"},
        {ui->Command10, "Editovat CD"},
        {ui->Command12, "Editovat člověka"},
        {ui->Command11, "OK, uložit CD"},
        {ui->Command13, "OK, uložit člověka"},
        {ui->Command7, "Zobrazit historii CD"},
        {ui->Command8, "Zobrazit historii člověka"},
    };
    for (const auto& [control, name] : names)
        control->setAccessibleName(QString::fromUtf8(name));
    // On Linux a screen reader names a drop-down by the label that points at it (its own name
    // is its value). The filter box has no label on screen: it gets one that is not shown.
    auto* filterLabel = new QLabel(ui->Combo3->accessibleName(), ui->Combo3->parentWidget());
    filterLabel->setBuddy(ui->Combo3);
    filterLabel->hide();
}

// Tab visits the window as it reads: the CD list with its search and sort, the CD panel,
// the people panel, the people list with its search and sort, then the buttons below.
void Form1::setReadingOrder()
{
    // clang-format off
    QWidget* const order[] = {
        ui->Combo3, ui->Command14, ui->MSFlexGrid1,                                          // the CD list
        ui->TxtHledejCd, ui->CmbZobrazVseCd, ui->OptVzestupneCd, ui->OptSestupneCd, ui->CmbSetridCd,
        ui->Text1, ui->Text7, ui->Check1, ui->Text2, ui->Text3, ui->Text4, ui->Combo2,       // the CD panel
        ui->Text5, ui->Combo1, ui->Text6, ui->Check2, ui->Text8, ui->CmbPredchozi, ui->CmbDalsi,
        ui->Command4, ui->Command10, ui->Command11, ui->Command7,
        ui->Text9, ui->Text10, ui->Text11, ui->Text12, ui->Text13, ui->Text14,               // the people panel
        ui->CmbPredchoziLidi, ui->CmbDalsiLidi, ui->Command5, ui->Command12, ui->Command13, ui->Command8,
        ui->MSFlexGrid2, ui->TxtHledejLidi, ui->CmbZobrazVseLide,                            // the people list
        ui->OptVzestupneLidi, ui->OptSestupneLidi, ui->CmbSetridLidi,
        ui->Command1, ui->Command6, ui->Command3, ui->Command2, ui->CmbPujcit, ui->Command9, // the buttons below
        ui->CmbKonec};
    // clang-format on
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void Form1::Form_Load()
{
    SmerTrideniCd = 1;
    SmerTrideniLidi = 1;
    for (int column = 0; column < 8; ++column)
        m_grid1->setColWidth(column, cdWidths[column]);
    for (int column = 0; column < 6; ++column)
        m_grid2->setColWidth(column, peopleWidths[column]);

    // The loan buffer only appends rows: it needs the table's fields, not its rows.
    Data3->setRecordSource(queries::none(QStringLiteral("pujcovani")));
    // The lists show their first rows as the last run left them while the rest is read; then
    // (or, without them, at once) they show every row. Whatever the user does before waits
    // for the rest.
    std::vector<StartReading::Ranked> ranked;
    m_showingFirstRows = m_start->hasFirstRows();
    if (m_showingFirstRows) {
        m_start->showFirstRows();
        watchInput(true);
        connect(m_start, &StartReading::ready, this, &Form1::takeReadRows);
    } else {
        ranked = m_start->finish();
    }
    for (RecordSource* source : {Data1, Data2, Data3})
        if (!messages::report(this, source->refresh()))
            break;
    if (!m_showingFirstRows)
        adoptRanks({m_grid1, m_grid2}, std::move(ranked));
}

// The rest of the lists' rows, once read (or at once, when the user acts before).
void Form1::takeReadRows()
{
    if (!m_showingFirstRows)
        return;
    m_showingFirstRows = false;
    watchInput(false);
    std::vector<StartReading::Ranked> ranked = m_start->finish();
    bool read = true;
    for (RecordSource* source : {Data1, Data2})
        if (read && !messages::report(this, source->refresh()))
            read = false;
    if (!read) {
        Q_EMIT everyRowRead(); // no more to wait for
        return;
    }
    adoptRanks({m_grid1, m_grid2}, std::move(ranked));
    if (activatedOnce()) {
        ObnovSeznamCd();
        ObnovSeznamLidi();
    }
    Q_EMIT everyRowRead();
}

// While the lists show their first rows, the window and every control in it (the menus too:
// nothing else of the program can be reached before them) hand their input here first.
void Form1::watchInput(bool watch)
{
    const QList<QWidget*> controls = findChildren<QWidget*>();
    for (QWidget* control : controls)
        watch ? control->installEventFilter(this) : control->removeEventFilter(this);
    watch ? installEventFilter(this) : removeEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // What the user does while the lists show their first rows is done on every row.
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::ToolTip:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::DragEnter:
    case QEvent::Close:
        takeReadRows();
        break;
    default:
        break;
    }
    return ProgramWindow::eventFilter(watched, event);
}

void Form1::Form_Activate()
{
    // A panel being edited keeps what the user has typed and stays in editing.
    if (!m_editingCd)
        ObnovSeznamCd();
    if (!m_editingPerson)
        ObnovSeznamLidi();
    if (!activatedOnce())
        fillLists();
}

void Form1::fillLists()
{
    // Editable lists keep their own text; the pick-only filter starts with nothing chosen.
    const QString combo1Text = ui->Combo1->currentText();
    ui->Combo1->addItems(valuelists::contentTypes());
    ui->Combo1->setCurrentIndex(-1);
    ui->Combo1->setEditText(combo1Text);
    const QString combo2Text = ui->Combo2->currentText();
    ui->Combo2->addItems(valuelists::discTypes());
    ui->Combo2->setCurrentIndex(-1);
    ui->Combo2->setEditText(combo2Text);
    ui->Combo3->addItem(QStringLiteral("Zobrazit vše"));
    ui->Combo3->addItems(valuelists::contentTypes());
    ui->Combo3->setCurrentIndex(-1);
}

void Form1::ObnovSeznamCd()
{
    PocetCd = static_cast<float>(sortAndCount(m_cds, SmerTrideniCd, QStringLiteral("Seznam CD - ")));
    VymazPoleCd();
}

void Form1::ObnovSeznamLidi()
{
    PocetLidi = static_cast<float>(sortAndCount(m_people, SmerTrideniLidi, QStringLiteral("Seznam lidí - ")));
    VymazPoleLidi();
}

void Form1::VymazPoleCd()
{
    BoundField::of(ui->Text1).clearDisplay();
    BoundField::of(ui->Text2).clearDisplay();
    BoundField::of(ui->Text3).clearDisplay();
    BoundField::of(ui->Text4).clearDisplay();
    BoundField::of(ui->Text5).clearDisplay();
    ui->Text6->clear();
    ui->Text7->clear();
    BoundField::of(ui->Text8).clearDisplay();
    // The hidden check boxes and, while editing, the type boxes show no CD either.
    BoundField::of(ui->Check1).clearDisplay();
    BoundField::of(ui->Check2).clearDisplay();
    if (m_editingCd) {
        ui->Combo1->setEditText(QString());
        ui->Combo2->setEditText(QString());
    }
}

void Form1::VymazPoleLidi()
{
    for (const QWidget* box :
         {static_cast<QWidget*>(ui->Text9), static_cast<QWidget*>(ui->Text10), static_cast<QWidget*>(ui->Text11),
          static_cast<QWidget*>(ui->Text12), static_cast<QWidget*>(ui->Text13), static_cast<QWidget*>(ui->Text14)})
        BoundField::of(box).clearDisplay();
}

void Form1::CmbKonec_Click()
{
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // An edit in progress is stored as "OK" stores it; a count that cannot be stored
    // is refused with its message and the window stays open.
    if (m_editingCd && !finishCdEditing(false)) {
        event->ignore();
        return;
    }
    if (m_editingPerson)
        finishPersonEditing(false);
    // Closing the main window ends the program, also when other windows are loaded:
    // a loaded but hidden window would otherwise keep an invisible process alive.
    m_windows.closeAll();
    event->accept();
    QCoreApplication::quit();
}

void Form1::Command2_Click()
{
    m_windows.open<Form4>([this] { return new Form4(m_register, m_history); });
}

void Form1::Command3_Click()
{
    m_windows.open<Form3>([this] { return new Form3(m_register, m_history); });
}

void Form1::Command9_Click()
{
    m_windows.open<frmAbout>([this] { return new frmAbout(this); });
}
