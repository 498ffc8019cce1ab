#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmAbout;
}

// "O Programu": the program's name, version, purpose, logo and web address.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

private:
    void cmdOK_Click();

    std::unique_ptr<Ui::frmAbout> ui;
};
