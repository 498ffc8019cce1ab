#pragma once

#include <QString>

#include <utility>

// The outcome of an operation on the database: success, or failure with the
// engine's (or our own) message in Czech. Errors are values, never exceptions. Work the
// user cancelled ends as a failure of its own kind, whatever stopped where.
class [[nodiscard]] Status
{
public:
    // A successful outcome.
    static Status success() { return Status(); }
    // A failed outcome with the text the user will see.
    static Status failure(QString message) { return Status(std::move(message)); }
    // A failure because the register file is damaged: nothing more is written to it.
    static Status damage(QString message)
    {
        Status status(std::move(message));
        status.m_damage = true;
        return status;
    }

    // Stopped because the user cancelled it (or the program is ending): nothing was stored.
    static Status cancelled(QString message)
    {
        Status status(std::move(message));
        status.m_cancelled = true;
        return status;
    }

    bool ok() const { return !m_failed; }
    bool isDamage() const { return m_damage; }
    bool isCancelled() const { return m_cancelled; }
    const QString& message() const { return m_message; }

private:
    Status() = default;
    explicit Status(QString message) : m_failed(true), m_message(std::move(message)) {}

    bool m_failed = false;
    bool m_damage = false;
    bool m_cancelled = false;
    QString m_message;
};
