#pragma once

#include <QString>

#include <utility>

// The outcome of an operation on the database: success, or failure with the
// engine's (or our own) message in Czech. Errors are values, never exceptions.
class [[nodiscard]] Status
{
public:
    // A successful outcome.
    static Status success() { return Status(); }
    // A failed outcome with the text the user will see.
    static Status failure(QString message) { return Status(std::move(message)); }

    bool ok() const { return !m_failed; }
    const QString& message() const { return m_message; }

private:
    Status() = default;
    explicit Status(QString message) : m_failed(true), m_message(std::move(message)) {}

    bool m_failed = false;
    QString m_message;
};
