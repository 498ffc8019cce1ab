#pragma once

#include <QPushButton>

// A push button whose caption wraps onto several lines when it is wider than
// the button, as the tall command buttons of the windows need.
class WrapButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
