#include "dialog_answerer.h"

#include <QTest>

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>

DialogAnswerer::DialogAnswerer()
{
    connect(&m_timer, &QTimer::timeout, this, &DialogAnswerer::poll);
    m_timer.start(5);
}

QStringList DialogAnswerer::summary() const
{
    QStringList lines;
    for (const ShownBox& box : m_shown)
        lines << box.title + QStringLiteral(": ") + box.text;
    return lines;
}

void DialogAnswerer::poll()
{
    if (auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
        // A number asked is typed into its spin box by the test's own script.
        if (!input->isVisible() || input->property("answered").toBool() ||
            input->inputMode() != QInputDialog::TextInput)
            return;
        input->setProperty("answered", true);
        m_shown.append({input->windowTitle(), input->labelText(), QMessageBox::NoIcon, {}, {}});
        for (QAbstractButton* button : input->findChildren<QAbstractButton*>())
            m_shown.last().buttonTexts << button->text().remove(QLatin1Char('&'));
        const QPair<QString, bool> answer = m_inputs.isEmpty() ? qMakePair(QString(), false) : m_inputs.dequeue();
        if (!input->textValue().isEmpty())
            m_shown.last().text += QStringLiteral(" [not empty at start]");
        input->setTextValue(answer.first);
        if (answer.second)
            input->accept();
        else
            input->reject();
        return;
    }
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("answered").toBool())
        return;
    box->setProperty("answered", true);
    m_shown.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), {}});
    for (QAbstractButton* button : box->buttons())
        m_shown.last().buttonTexts << button->text().remove(QLatin1Char('&'));
    QAbstractButton* button = nullptr;
    const auto [standard, text] = m_answers.isEmpty() ? qMakePair(QMessageBox::NoButton, QString()) : m_answers.head();
    if (!m_answers.isEmpty() && !text.isEmpty()) {
        m_answers.dequeue();
        for (QAbstractButton* own : box->buttons())
            if (own->text().remove(QLatin1Char('&')) == text) {
                QTest::mouseClick(own, Qt::LeftButton);
                return;
            }
    } else if (!m_answers.isEmpty() && standard == QMessageBox::NoButton) {
        m_answers.dequeue();
        QTest::keyClick(box, Qt::Key_Return);
        return;
    } else if (!m_answers.isEmpty()) {
        button = box->button(m_answers.dequeue().first);
    }
    if (!button)
        button = box->escapeButton() ? box->escapeButton() : box->buttons().value(0);
    if (button)
        button->click();
}
