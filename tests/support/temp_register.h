#pragma once

#include "rows/register.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fresh register db1.zaz in a directory of its own, removed afterwards; its ids begin
// at different numbers in each table.
class TempRegister
{
public:
    TempRegister();

    // The path of db1.zaz in the directory.
    QString path() const { return m_dir.filePath(QStringLiteral("db1.zaz")); }
    Database& db() { return m_register->db(); }
    // A temporary register is a register: windows and record sources open on it.
    operator Register&() { return *m_register; }
    // Runs SQL that must succeed (test data, direct checks).
    void exec(const QString& sql);
    // The first column of the first row of a query, as text ("" for none).
    QString value(const QString& sql);
    // Every row of a query, columns joined by "|".
    QStringList rows(const QString& sql);
    // Inserts a disc and returns its id.
    qint64 addCd(const QString& name, const QString& contentType = QStringLiteral("Hudba"));
    // Inserts a person and returns the id.
    qint64 addPerson(const QString& firstName, const QString& surname);
    // Inserts a loan of the disc to the person and returns its id.
    qint64 addLoan(qint64 cd, qint64 person, const QString& note = QString());

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Register> m_register;
};
