#include "ui_common/messages.h"

#include "core/status.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QThread>
#include <QTranslator>

#include <limits>

namespace messages {
namespace {

int beeps = 0;

// A message box must stay readable and quick to show whatever was typed: a value
// of a megabyte, or of thousands of lines, is shown by its beginning. Texts of
// ordinary length are shown exactly as given.
QString readable(const QString& text)
{
    constexpr qsizetype maxLineLength = 300;
    constexpr qsizetype maxLines = 40;
    const QString ellipsis = QStringLiteral("…");
    QStringList lines = text.split(QLatin1Char('\n'));
    bool shortened = false;
    if (lines.size() > maxLines) {
        lines = lines.mid(0, maxLines);
        lines.last() += ellipsis;
        shortened = true;
    }
    for (QString& line : lines)
        if (line.size() > maxLineLength) {
            line = line.left(maxLineLength) + ellipsis;
            shortened = true;
        }
    return shortened ? lines.join(QLatin1Char('\n')) : text;
}

// Room for a title in the title bar: its text in the title bar's (bold) font, the
// window manager's buttons and margins.
int titleWidth(const QWidget& box, const QString& title)
{
    QFont font = box.font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + 160;
}

int show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton preferred = QMessageBox::Yes)
{
    QMessageBox box(icon, title, readable(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    // A message box is as narrow as its text; a window manager then cuts a longer title.
    // A spacer across the box's layout makes it wide enough for the whole title.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth(box, title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    if (buttons & preferred)
        box.setDefaultButton(preferred);
    return box.exec();
}

} // namespace

void critical(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, QMessageBox::Critical, title, text, QMessageBox::Ok);
}

void information(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, QMessageBox::Information, title, text, QMessageBox::Ok);
}

bool question(QWidget* parent, const QString& title, const QString& text, Default answer)
{
    return show(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                answer == Default::No ? QMessageBox::No : QMessageBox::Yes) == QMessageBox::Yes;
}

QString input(QWidget* parent, const QString& title, const QString& prompt)
{
    QInputDialog box(parent);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(QString());
    box.setInputMode(QInputDialog::TextInput);
    if (auto* line = box.findChild<QLineEdit*>()) {
        line->setMaxLength(std::numeric_limits<int>::max());          // a note of any length
        line->setMinimumWidth(std::max(400, titleWidth(box, title))); // room for a sentence, and for the title
    }

    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

bool report(QWidget* parent, const Status& status)
{
    if (status.isDamage())
        endForDamage(status.message());
    else if (!status.ok())
        critical(parent, QStringLiteral("Chyba"), status.message());
    return status.ok();
}

namespace {
std::function<void(const QString&)>& damageHandler()
{
    static std::function<void(const QString&)> handler;
    return handler;
}
bool told = false;
} // namespace

void onDamage(std::function<void(const QString& text)> handler)
{
    damageHandler() = std::move(handler);
    told = false; // a new session on a register: its damage is told anew
}

void endForDamage(const QString& text)
{
    if (told)
        return;
    told = true;
    if (damageHandler())
        damageHandler()(text);
    else
        critical(QApplication::activeWindow(), QStringLiteral("Chyba"), text);
    // Only a running event loop is ended: with none (damage found at start-up) Qt would keep
    // the request and close at once every dialog shown later, such as a failed restore's message.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(1);
}

bool installCzechQtTexts()
{
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QLocale(QLocale::Czech, QLocale::CzechRepublic), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void beep()
{
    ++beeps;
    QApplication::beep();
}

int beepCount()
{
    return beeps;
}

} // namespace messages
