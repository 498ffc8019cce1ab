#pragma once

#include <QString>

#include <functional>

class QWidget;
class Status;

// The program's modal message boxes: a Czech title and text, the icon and
// buttons of their kind. Several pieces of a text are joined with "\n".
namespace messages {

// A refusal or missing input: stop icon, OK.
void critical(QWidget* parent, const QString& title, const QString& text);
// An outcome: information icon, OK.
void information(QWidget* parent, const QString& title, const QString& text);
// A question: question icon, Yes and No; true when the answer is Yes. Enter answers Yes,
// or No for a question whose Yes cannot be undone.
enum class Default { Yes, No };
bool question(QWidget* parent, const QString& title, const QString& text, Default answer = Default::Yes);
// The input box: a prompt, an empty line, OK and Cancel; Cancel gives the empty text.
QString input(QWidget* parent, const QString& title, const QString& prompt);
// Shows a failure of the database (stop icon, title "Chyba", the engine's text) unless
// the status is a success; returns whether it was. A damaged register ends the program.
bool report(QWidget* parent, const Status& status);
// Tells that the register is damaged and ends the program; told once, whoever finds it.
void endForDamage(const QString& text);
// What endForDamage does instead of telling the text and ending (the program offers a
// backup there); it runs once, and the program ends after it. Setting it begins a session
// on a register: its damage is told anew.
void onDamage(std::function<void(const QString& text)> handler);

// Loads Qt's own Czech texts (standard buttons "Ano", "Ne", "Zrušit", the text boxes'
// context menu) whatever the system's locale; false, with English texts left, when
// Qt's translations are not installed.
bool installCzechQtTexts();

// The system beep (paging past the ends of a list).
void beep();
// How many times the program has beeped (read by tests; a beep cannot be heard offscreen).
int beepCount();

} // namespace messages
