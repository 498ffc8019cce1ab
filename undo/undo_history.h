#pragma once

#include "core/status.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

class Database;

// The changes made in this run of the program on one register, each a step that can be taken
// back ("Zpět") and done again ("Znovu"), last first. A step checks that its rows are as it
// left them and is refused otherwise (and then leaves the history: nothing it could still
// do would be what the user remembers).
class UndoHistory : public QObject
{
    Q_OBJECT

public:
    explicit UndoHistory(Database& db, QObject* parent = nullptr);
    ~UndoHistory() override;

    // The number a change about to be made captures its rows under (steps::capture), in its
    // own transaction; a change that fails leaves the number unused.
    qint64 nextStep() { return ++m_lastStep; }
    // The change made, under its number and name ("smazání disku Kytice"). A deletion names the
    // trash's kind and key: taking it back takes it out of the trash, doing it again puts it there.
    void add(qint64 step, const QString& name, const QString& trashTable = QString(), qint64 trashKey = 0);

    bool canUndo() const { return m_stack.canUndo(); }
    bool canRedo() const { return m_stack.canRedo(); }
    // The name of the step Zpět or Znovu would take; empty when there is none.
    QString undoText() const { return m_stack.undoText(); }
    QString redoText() const { return m_stack.redoText(); }
    // Takes back the last step, or does again the last taken back. A step refused (refusal says
    // why, in Czech) leaves the history; on a failure of the register it stays where it was.
    Status undo(QString& refusal);
    Status redo(QString& refusal);

Q_SIGNALS:
    // A step was added, taken back, done again or removed.
    void changed();

private:
    class Step;
    Status move(bool back, QString& refusal);

    Database& m_db;
    QUndoStack m_stack;
    qint64 m_lastStep = 0;
};
