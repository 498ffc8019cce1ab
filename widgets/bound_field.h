#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <initializer_list>
#include <utility>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;
class RecordSource;

// A text box or check box that shows one field of a record source's current
// record. What the user types into it, and what the program store()s into it,
// is an edit stored under the commit rule; clearDisplay() only changes what
// is shown and is never stored.
class BoundField : public QObject
{
    Q_OBJECT

public:
    BoundField(RecordSource& source, const QString& field, QLineEdit* box);
    BoundField(RecordSource& source, const QString& field, QPlainTextEdit* box);
    BoundField(RecordSource& source, const QString& field, QCheckBox* box);

    // Puts a value into the field to be stored at the next move, refresh or update.
    void store(const QString& text);
    // Empties the field on screen; the record is not touched, and what is typed into the
    // emptied box is no edit of any record until it shows a record again.
    void clearDisplay();
    // Shows the current record's value again.
    void showCurrent();
    // Binds each box (a QLineEdit, QPlainTextEdit or QCheckBox) to its field.
    static void bind(RecordSource& source, std::initializer_list<std::pair<const char*, QWidget*>> fields);
    // The binding of a box bound by bind() (a box bound to nothing is a fault of the program: it stops).
    static BoundField& of(const QWidget* box);

private:
    BoundField(RecordSource& source, const QString& field, QWidget* widget);
    void setShown(const QString& text);
    void typed(const QString& text);

    RecordSource& m_source;
    QString m_field;
    QPointer<QLineEdit> m_line;
    QPointer<QPlainTextEdit> m_plain;
    QPointer<QCheckBox> m_check;
    bool m_showing = false; // set while the program changes the display, so it is not taken for typing
    bool m_cleared = false; // the box shows no record (clearDisplay) and edits none
};
