#include "undo/undo_history.h"

#include "storage/database.h"
#include "storage/trash.h"
#include "undo/steps.h"

#include <QDateTime>

// One change: its rows' images under its number, written over each other by run(). The stack
// calls undo() and redo() after run() did the work (or, on push, after the change itself).
class UndoHistory::Step : public QUndoCommand
{
public:
    Step(Database& db, qint64 id, const QString& name, const QString& trashTable, qint64 trashKey)
        : QUndoCommand(name), m_db(db), m_id(id), m_trashTable(trashTable), m_trashKey(trashKey)
    {
    }
    ~Step() override { (void)steps::forget(m_db, m_id); }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

    void undo() override {}
    void redo() override {}

    // Writes the image of the state to over that of from, with the trash following a deletion.
    Status run(steps::State from, steps::State to, bool& refused)
    {
        refused = false;
        Transaction transaction(m_db);
        if (!transaction.status().ok())
            return transaction.status();
        QString refusal;
        if (Status s = steps::check(m_db, m_id, from, to, refusal); !s.ok())
            return s;
        if (!refusal.isEmpty()) {
            refused = true;
            return Status::failure(refusal);
        }
        if (!m_trashTable.isEmpty() && to == steps::State::After) {
            Status kept = Status::success();
            trash::keep(m_db, m_trashTable, m_trashKey, QDateTime::currentDateTime(), kept);
            if (!kept.ok())
                return kept;
        }
        if (Status s = steps::write(m_db, m_id, from, to); !s.ok())
            return s;
        // Back in the register, the deletion leaves the trash (it may have been emptied since).
        if (!m_trashTable.isEmpty() && to == steps::State::Before)
            if (Status s = m_db.execute(QStringLiteral("DELETE FROM kos WHERE idkose = (SELECT max(idkose) FROM kos "
                                                       "WHERE druh = ? AND klic = ?)"),
                                        {m_trashTable, m_trashKey});
                !s.ok())
                return s;
        return transaction.commit();
    }

private:
    Database& m_db;
    qint64 m_id;
    QString m_trashTable;
    qint64 m_trashKey;
};

UndoHistory::UndoHistory(Database& db, QObject* parent) : QObject(parent), m_db(db)
{
    connect(&m_stack, &QUndoStack::indexChanged, this, &UndoHistory::changed);
}

UndoHistory::~UndoHistory()
{
    m_stack.clear();
}

void UndoHistory::add(qint64 step, const QString& name, const QString& trashTable, qint64 trashKey)
{
    m_stack.push(new Step(m_db, step, name, trashTable, trashKey));
}

Status UndoHistory::undo(QString& refusal)
{
    return move(true, refusal);
}

Status UndoHistory::redo(QString& refusal)
{
    return move(false, refusal);
}

Status UndoHistory::move(bool back, QString& refusal)
{
    refusal.clear();
    const int at = back ? m_stack.index() - 1 : m_stack.index();
    if (at < 0 || at >= m_stack.count())
        return Status::success();
    // The stack hands out its commands as const; the step is ours and changes only its flag.
    auto* step = const_cast<Step*>(static_cast<const Step*>(m_stack.command(at)));
    const QString name = step->text();
    bool refused = false;
    const Status done = back ? step->run(steps::State::After, steps::State::Before, refused)
                             : step->run(steps::State::Before, steps::State::After, refused);
    if (!done.ok() && !refused)
        return done;
    // A refused step is made obsolete: the stack drops it instead of moving over it.
    if (refused)
        step->setObsolete(true);
    if (back)
        m_stack.undo();
    else
        m_stack.redo();
    if (refused) {
        Q_EMIT changed();
        refusal = QStringLiteral("„%1“ nelze %2: %3\nKrok byl z historie úprav odebrán.")
                      .arg(name, back ? QStringLiteral("vzít zpět") : QStringLiteral("provést znovu"), done.message());
    }
    return Status::success();
}
