#include "bench/bench_session.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace benchsession {

QString sourceFile;
std::unique_ptr<QTemporaryDir> workDir;

Answerer::Answerer()
{
    qApp->installEventFilter(this);
}

bool Answerer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            const auto answer = answers.isEmpty() ? QMessageBox::NoButton : answers.takeFirst();
            QTimer::singleShot(0, box, [box, answer] {
                QAbstractButton* button = answer != QMessageBox::NoButton ? box->button(answer) : nullptr;
                if (!button)
                    button =
                        box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes) : box->button(QMessageBox::Ok);
                button->click();
            });
        } else if (auto* input = qobject_cast<QInputDialog*>(watched)) {
            QTimer::singleShot(0, input, [input] {
                input->setTextValue(QStringLiteral("půjčeno na chatu"));
                input->accept();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

Session::Session(bool withWindow)
{
    const QString path = workDir->filePath(QStringLiteral("db1.zaz"));
    QFile::remove(path);
    QFile::copy(sourceFile, path);
    reopen();
    if (withWindow) {
        openWindow();
        waitForEveryRow();
    }
}

void Session::reopen()
{
    form.reset();
    reg.reset();
    Status status = Status::success();
    reg = Register::open(workDir->filePath(QStringLiteral("db1.zaz")), status);
    if (!reg)
        qFatal("%s", qPrintable(status.message()));
    // ORDISK_KEPT_ROWS=off measures the program with the searched tables' queries sent to
    // SQLite, ORDISK_PAGED_LISTS=off with the loan lists read whole.
    reg->rows().setKept(qEnvironmentVariable("ORDISK_KEPT_ROWS") != QLatin1String("off"));
    reg->rows().setPaged(qEnvironmentVariable("ORDISK_PAGED_LISTS") != QLatin1String("off"));
}

void Session::openWindow()
{
    form = std::make_unique<Form1>(*reg);
    form->show();
    QApplication::setActiveWindow(form.get());
    QApplication::processEvents();
}

void Session::waitForEveryRow()
{
    // A key pressed without typing: whatever the user does waits for every row.
    QTest::keyClick(child<QTableView>("MSFlexGrid1"), Qt::Key_Shift);
}

} // namespace benchsession
