#pragma once

#include "rows/first_rows.h"
#include "rows/kept_rows.h"

#include <QFuture>
#include <QObject>
#include <QSemaphore>
#include <QThreadPool>

#include <memory>

class Register;

// The lists' rows at start. Every row of the CD and people lists is read, and its sort
// column's texts ranked in Czech order, on a thread of its own (Qt Concurrent) while the
// window is made; meanwhile the window shows the lists' first rows as the last run left them
// (rows/first_rows.h), when they are still the register's. At the end, the first rows are
// kept again for the next start. Switched off with ORDISK_READ_AHEAD=off (everything read
// before the window shows, as before) or ORDISK_FIRST_ROWS=off (nothing shown before the
// rows are read); docs/performance.md, "The first screenful first".
class StartReading : public QObject
{
    Q_OBJECT

public:
    StartReading(Register& reg, std::vector<firstrows::ListToRead> lists, QObject* parent = nullptr);
    // Waits for the reading (a thread left reading would outlive the register).
    ~StartReading() override;

    // The first rows to show while the rest is read, each as its table's rows; none when
    // they are not the register's any more (or switched off).
    bool hasFirstRows() const { return m_showing; }
    // Has the register's kept rows answer a query of all of a list's rows with its first rows
    // until finish().
    void showFirstRows();
    // Waits for the reading and hands its rows over to the register's kept rows (the first
    // rows shown leave). Returns, per list, the ranks of its sort column's texts and the texts
    // they were worked out for (empty when the rows were read otherwise).
    struct Ranked
    {
        const std::vector<QString>* texts = nullptr;
        listorder::Ranking ranking;
    };
    std::vector<Ranked> finish();
    // Keeps the lists' first rows beside the register for the next start, when the register
    // changed since they were last kept (the window closes).
    void keepFirstRows();

    // For tests: the reading waits until finish() is called (the state of a slow start).
    static void holdForTests(bool hold);

Q_SIGNALS:
    // The reading is done: finish() no longer waits.
    void ready();

private:
    Register& m_register;
    QString m_path;
    std::vector<firstrows::ListToRead> m_lists;
    bool m_keep = true;          // ORDISK_FIRST_ROWS is not off
    bool m_reading = false;      // a reading was started and not yet finished
    bool m_showing = false;      // m_kept's rows are shown while the rest is read
    firstrows::Saved m_kept;     // what the file beside the register holds (or will), and for which state
    KeptRows::Handover m_keptAt; // when m_kept's rows were last known to be the register's
    bool m_keptKnown = false;
    KeptRows::Handover m_handover;
    std::shared_ptr<QSemaphore> m_gate = std::make_shared<QSemaphore>();
    QThreadPool m_pool; // a thread of its own, ended as soon as the reading is done
    QFuture<firstrows::ReadAll> m_future;
};
