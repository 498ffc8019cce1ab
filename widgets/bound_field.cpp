#include "widgets/bound_field.h"

#include "binding/record_source.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

BoundField::BoundField(RecordSource& source, const QString& field, QWidget* widget)
    : QObject(widget), m_source(source), m_field(field)
{
    connect(&m_source, &RecordSource::currentChanged, this, &BoundField::showCurrent);
}

BoundField::BoundField(RecordSource& source, const QString& field, QLineEdit* box)
    : BoundField(source, field, static_cast<QWidget*>(box))
{
    m_line = box;
    // textEdited comes from the user only, never from setText.
    connect(box, &QLineEdit::textEdited, this, &BoundField::typed);
    showCurrent();
}

BoundField::BoundField(RecordSource& source, const QString& field, QPlainTextEdit* box)
    : BoundField(source, field, static_cast<QWidget*>(box))
{
    m_plain = box;
    connect(box, &QPlainTextEdit::textChanged, this, [this] { typed(m_plain->toPlainText()); });
    showCurrent();
}

BoundField::BoundField(RecordSource& source, const QString& field, QCheckBox* box)
    : BoundField(source, field, static_cast<QWidget*>(box))
{
    m_check = box;
    // clicked comes from the user only, never from setChecked.
    connect(box, &QCheckBox::clicked, this,
            [this](bool checked) { typed(checked ? QStringLiteral("1") : QStringLiteral("0")); });
    showCurrent();
}

void BoundField::bind(RecordSource& source, std::initializer_list<std::pair<const char*, QWidget*>> fields)
{
    for (const auto& [name, box] : fields) {
        const QString field = QString::fromLatin1(name);
        if (auto* line = qobject_cast<QLineEdit*>(box))
            new BoundField(source, field, line);
        else if (auto* plain = qobject_cast<QPlainTextEdit*>(box))
            new BoundField(source, field, plain);
        else if (auto* check = qobject_cast<QCheckBox*>(box))
            new BoundField(source, field, check);
        else
            qFatal("BoundField::bind: %s is no text box or check box", qPrintable(box->objectName()));
    }
}

BoundField& BoundField::of(const QWidget* box)
{
    auto* field = box->findChild<BoundField*>(QString(), Qt::FindDirectChildrenOnly);
    if (!field)
        qFatal("BoundField::of: %s is bound to no field", qPrintable(box->objectName()));
    return *field;
}

void BoundField::store(const QString& text)
{
    setShown(text);
    m_source.setFieldText(m_field, text);
}

void BoundField::clearDisplay()
{
    setShown(QString());
    m_cleared = true;
}

void BoundField::showCurrent()
{
    setShown(m_source.fieldText(m_field));
    m_cleared = false;
}

void BoundField::typed(const QString& text)
{
    // A box emptied to clear the panel belongs to no record: typing there must not
    // edit the record the source happens to hold (the next "OK" would store it).
    if (!m_showing && !m_cleared)
        m_source.setFieldText(m_field, text);
}

void BoundField::setShown(const QString& text)
{
    m_showing = true;
    if (m_line) {
        m_line->setText(text);
        m_line->setCursorPosition(0); // a long value shows its beginning, not its end
    }
    if (m_plain && m_plain->toPlainText() != text)
        m_plain->setPlainText(text);
    if (m_check)
        m_check->setChecked(text == QLatin1String("1") || text == QLatin1String("-1"));
    m_showing = false;
}
