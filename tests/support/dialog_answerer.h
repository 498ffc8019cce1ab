#pragma once

#include <QMessageBox>
#include <QObject>
#include <QQueue>
#include <QStringList>
#include <QTimer>

// A message box (or input box, with icon NoIcon and its prompt as text) as the user saw it.
struct ShownBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QStringList buttonTexts; // as the buttons read, mnemonics left out
};

// Answers the real modal message boxes the program shows, in order, as a
// user would: reads them, then presses the queued button. A box nobody
// queued an answer for is recorded and closed with its escape button.
// Input boxes are answered the same way, from their own queue.
class DialogAnswerer : public QObject
{
    Q_OBJECT

public:
    DialogAnswerer();

    // The next message box is answered with this button.
    void answer(QMessageBox::StandardButton button) { m_answers.enqueue({button, {}}); }
    // The next message box is answered with the Enter key, as its default button has it.
    void pressEnter() { m_answers.enqueue({QMessageBox::NoButton, {}}); }
    // The next message box is answered with a click on the button of its own that reads so.
    void click(const QString& buttonText) { m_answers.enqueue({QMessageBox::NoButton, buttonText}); }
    // The next input box gets this text and OK (or Cancel when accepted is false).
    void answerInput(const QString& text, bool accepted = true) { m_inputs.enqueue({text, accepted}); }
    // Every box shown so far.
    const QList<ShownBox>& shown() const { return m_shown; }
    // Titles and texts of every box shown so far, as "title: text".
    QStringList summary() const;

private:
    void poll();

    QTimer m_timer;
    QQueue<QPair<QMessageBox::StandardButton, QString>> m_answers;
    QQueue<QPair<QString, bool>> m_inputs;
    QList<ShownBox> m_shown;
};
