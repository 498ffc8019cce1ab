#pragma once

#include <QWidget>

// A window of the program with an activation handler: Form_Activate runs at
// the window's first showing and whenever the user comes back to it from
// another window of the program; not after the window's own message boxes or
// input boxes, and not when coming back from another application.
class ProgramWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ProgramWindow(QWidget* parent = nullptr);

protected:
    virtual void Form_Activate() = 0;
    // Whether Form_Activate has run at least once.
    bool activatedOnce() const { return m_activatedOnce; }

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void activate();

    bool m_activatedOnce = false;
};
