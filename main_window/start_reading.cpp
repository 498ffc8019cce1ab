#include "main_window/start_reading.h"

#include "rows/register.h"
#include "storage/database.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>

namespace {

std::atomic<bool> holdReading{false};

bool switchedOff(const char* name)
{
    return qEnvironmentVariable(name) == QLatin1String("off");
}

} // namespace

void StartReading::holdForTests(bool hold)
{
    holdReading = hold;
}

StartReading::StartReading(Register& reg, std::vector<firstrows::ListToRead> lists, QObject* parent)
    : QObject(parent), m_register(reg), m_path(reg.db().filePath()), m_lists(std::move(lists)),
      m_keep(!switchedOff("ORDISK_FIRST_ROWS"))
{
    // Nothing to read ahead when switched off, or when the register holds the lists' rows
    // already (a window opened on it before).
    KeptRows& kept = m_register.rows();
    const bool held = std::any_of(m_lists.begin(), m_lists.end(),
                                  [&kept](const firstrows::ListToRead& list) { return kept.holds(list.table); });
    if (held || switchedOff("ORDISK_READ_AHEAD") || !kept.handover(m_handover).ok())
        return;
    // The first rows kept by the last run, checked against the file after the handover: rows
    // of the state the file is in now are the register's as the handover found it.
    const firstrows::FileState now = firstrows::stateOf(m_path);
    firstrows::Saved saved;
    if (m_keep && firstrows::read(m_path, now, saved)) {
        bool fits = saved.lists.size() == m_lists.size();
        for (size_t i = 0; fits && i < m_lists.size(); ++i)
            fits = saved.lists[i].table == m_lists[i].table && saved.lists[i].sortColumn == m_lists[i].sortColumn &&
                   saved.lists[i].columns == firstrows::columnsOf(m_lists[i]);
        if (fits) {
            m_showing = true;
            m_kept = std::move(saved);
            m_keptAt = m_handover;
            m_keptKnown = true;
        }
    }
    m_reading = true;
    const bool hold = holdReading;
    m_pool.setExpiryTimeout(0);
    m_future = QtConcurrent::run(&m_pool, [path = m_path, lists = m_lists, gate = m_gate, hold] {
        if (hold)
            gate->acquire();
        return firstrows::readAll(path, lists);
    });
    auto* watcher = new QFutureWatcher<firstrows::ReadAll>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, &StartReading::ready);
    watcher->setFuture(m_future);
}

StartReading::~StartReading()
{
    if (m_reading) {
        m_gate->release();
        m_future.waitForFinished();
    }
}

void StartReading::showFirstRows()
{
    for (const firstrows::List& list : m_kept.lists)
        m_register.rows().setPreview(list.table, firstrows::asRows(list));
}

std::vector<StartReading::Ranked> StartReading::finish()
{
    std::vector<Ranked> ranked(m_lists.size());
    KeptRows& kept = m_register.rows();
    for (const firstrows::ListToRead& list : m_lists)
        kept.setPreview(list.table, nullptr);
    m_showing = false;
    if (!m_reading)
        return ranked;
    m_reading = false;
    m_gate->release();
    firstrows::ReadAll read = m_future.takeResult();
    // Rows that could not be read there are read here, by the lists themselves (which also
    // tell of a damaged file).
    if (!read.status.ok() || read.lists.size() != m_lists.size())
        return ranked;
    bool adopted = true;
    for (size_t i = 0; i < m_lists.size(); ++i) {
        firstrows::ReadList& list = read.lists[i];
        const auto sortColumn = static_cast<size_t>(m_lists[i].sortColumn);
        const std::vector<QString>* texts =
            sortColumn < list.rows->columns.size() ? list.rows->columns[sortColumn].texts.get() : nullptr;
        if (kept.adopt(m_handover, m_lists[i].table, std::move(list.rows))) {
            ranked[i] = {texts, std::move(list.ranking)};
        } else {
            adopted = false;
        }
    }
    // Read from one state of the file, the first rows are kept for the next start, unless the
    // file beside the register holds these very rows for this state already (rows that differ
    // for the same state were a file put back with its time: they are replaced).
    std::vector<firstrows::List> first;
    for (firstrows::ReadList& list : read.lists)
        first.push_back(std::move(list.first));
    if (adopted && read.before.usable && read.before == read.after &&
        !(m_keptKnown && m_kept.state == read.before && m_kept.lists == first)) {
        m_kept.state = read.before;
        m_kept.lists = std::move(first);
        m_keptAt = m_handover;
        m_keptKnown = true;
        if (m_keep)
            (void)firstrows::write(m_path, m_kept);
    }
    return ranked;
}

void StartReading::keepFirstRows()
{
    if (!m_keep || m_reading)
        return;
    const firstrows::FileState before = firstrows::stateOf(m_path);
    if (!before.usable || (m_keptKnown && before == m_kept.state))
        return;
    KeptRows& kept = m_register.rows();
    KeptRows::Handover now;
    if (!kept.handover(now).ok())
        return;
    firstrows::Saved saved{before, {}};
    // Neither another program nor this one changed a disc or person since the first rows were
    // known (the loans may have): they still are the lists' first rows.
    if (m_keptKnown && now.dataVersion == m_keptAt.dataVersion && now.ownChanges == m_keptAt.ownChanges) {
        saved.lists = m_kept.lists;
    } else {
        for (const firstrows::ListToRead& list : m_lists) {
            Status status = Status::success();
            const std::vector<int> columns = firstrows::columnsOf(list);
            std::vector<int> needed = columns;
            needed.push_back(list.sortColumn);
            const KeptRows::Table* rows = kept.rows(list.table, needed, status);
            if (!rows)
                return;
            saved.lists.push_back(firstrows::firstOf(*rows, list.table, list.sortColumn, columns, nullptr));
        }
    }
    // Nothing was written while they were worked out.
    if (firstrows::stateOf(m_path) != before)
        return;
    if (firstrows::write(m_path, saved).ok()) {
        m_kept = std::move(saved);
        m_keptAt = now;
        m_keptKnown = true;
    }
}
