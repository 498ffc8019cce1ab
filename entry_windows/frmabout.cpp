#include "entry_windows/frmabout.h"

#include "ui_common/fixed_window.h"
#include "ui_frmabout.h"

#include <QPixmap>

// Resources of a static library are registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(entry_windows);
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::frmAbout>())
{
    initResources();
    ui->setupUi(this);
    // A fixed dialog: no minimise or maximise, no task-bar entry of its own (it belongs to its parent).
    makeFixedWindow(this, Qt::Dialog);
    setModal(false);
    // The window's own texts, and one version number: its label's. The release of the build
    // is told by --version, the package and the manual.
    ui->lblDisclaimer->setText(QStringLiteral("Šíří se volně a bez záruky."));
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/ordisk/logo.png")));
    ui->Image1->setAccessibleName(QStringLiteral("Logo programu Ordisk"));
    ui->cmdOK->setDefault(true);
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    // Esc is the cancel button: QDialog's reject(), which closes (and so unloads) the window.
    connect(this, &QDialog::rejected, this, &frmAbout::cmdOK_Click);
}

frmAbout::~frmAbout() = default;

void frmAbout::cmdOK_Click()
{
    close();
}
