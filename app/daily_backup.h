#pragma once

#include <QString>

#include <atomic>
#include <thread>

class Database;
class QWidget;

// The day's copy of the register (backups::daily), made on a thread of its own with a
// connection of its own, so that it never delays the window or an action. What it finds is
// told on the window's thread: a damaged register takes the damage road (the program ends
// writing nothing), a copy that cannot be written is told once and changes nothing else.
class DailyBackup
{
public:
    DailyBackup(Database& db, const QString& registerPath, QWidget* window);
    // Stops the copy between its steps (it leaves no file) and waits for the thread.
    ~DailyBackup();
    DailyBackup(const DailyBackup&) = delete;
    DailyBackup& operator=(const DailyBackup&) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
