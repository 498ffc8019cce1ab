#pragma once

#include <QMessageBox>
#include <QObject>
#include <QQueue>
#include <QStringList>
#include <QTimer>

// A message box as the user saw it.
struct ShownBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers the real modal message boxes the program shows, in order, as a
// user would: reads them, then presses the queued button. A box nobody
// queued an answer for is recorded and closed with its escape button.
class DialogAnswerer : public QObject
{
    Q_OBJECT

public:
    DialogAnswerer();

    // The next message box is answered with this button.
    void answer(QMessageBox::StandardButton button) { m_answers.enqueue(button); }
    // Every box shown so far.
    const QList<ShownBox>& shown() const { return m_shown; }
    // Titles and texts of every box shown so far, as "title: text".
    QStringList summary() const;

private:
    void poll();

    QTimer m_timer;
    QQueue<QMessageBox::StandardButton> m_answers;
    QList<ShownBox> m_shown;
};
