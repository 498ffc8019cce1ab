#pragma once

// The main window with its menu, driven as a user does, and the program's own dialogs
// answered in order.
#include "main_window_fixture.h"
#include "patience.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <vector>

// Answers the program's own dialogs (file dialogs, the import's summary and refusals, the
// restore list) in order: each step waits for the modal dialog of its name and acts on it
// once. Message boxes are the DialogAnswerer's. A dialog left open that no step answers (or
// one answered that never closes) would hang the test: after a deadline it is named beside
// the step waited for, as a failure, and closed.
class DialogScript : public QObject
{
public:
    using Step = std::pair<QString, std::function<void(QWidget*)>>;
    explicit DialogScript(std::vector<Step> steps) : m_steps(std::move(steps))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) {
                m_open = nullptr;
                return;
            }
            if (modal != m_open) {
                m_open = modal;
                m_openSince.start();
            }
            if (m_next < m_steps.size() && modal->objectName() == m_steps[m_next].first &&
                !modal->property("scripted").toBool()) {
                modal->setProperty("scripted", true);
                m_steps[m_next++].second(modal);
                return;
            }
            // Nobody answers an unscripted dialog (the answerer takes message boxes at once); a
            // progress dialog is work that ends by itself, however long it takes.
            const bool work = modal->property("scripted").toBool() || modal->inherits("QProgressDialog");
            if (m_openSince.elapsed() < (work ? patienceMs : patienceMs / 4))
                return;
            const QString waited = m_next < m_steps.size() ? m_steps[m_next].first : QStringLiteral("(no step left)");
            QStringList shown; // what the dialog says, for the failure's message
            for (const QLabel* label : modal->findChildren<QLabel*>())
                shown << label->text();
            for (const QAbstractItemView* view : modal->findChildren<QAbstractItemView*>())
                for (int row = 0; row < std::min(view->model()->rowCount(), 3); ++row)
                    for (int column = 0; column < view->model()->columnCount(); ++column)
                        shown << view->model()->index(row, column).data().toString();
            ADD_FAILURE() << "waited for the dialog " << waited.toStdString() << ", but "
                          << modal->metaObject()->className() << " " << modal->objectName().toStdString() << " \""
                          << modal->windowTitle().toStdString()
                          << "\" stayed open, saying: " << shown.join(QStringLiteral(" | ")).left(600).toStdString()
                          << "; closed by the test";
            m_open = nullptr;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        });
        m_timer.start(5);
    }
    // How many steps were taken.
    size_t taken() const { return m_next; }

private:
    std::vector<Step> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
    QWidget* m_open = nullptr;
    QElapsedTimer m_openSince;
};

// A file dialog answered as a user does: the name typed into its name box (the dialog
// begins in the documents folder), then Enter.
inline DialogScript::Step fileAnswer(const char* dialog, const QString& name)
{
    return {QString::fromLatin1(dialog), [name](QWidget* modal) {
                auto* box = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                box->selectAll();
                QTest::keyClick(box, Qt::Key_Delete);
                gui::type(box, name);
                if (QWidget* completion = QApplication::activePopupWidget()) // the name box's completion
                    QTest::keyClick(completion, Qt::Key_Escape);
                QTest::keyClick(box, Qt::Key_Return);
            }};
}

class MainMenu : public MainWindowFixture
{
public:
    // The user's documents folder, where the file dialogs begin, holds the workbooks Calc saved.
    void SetUp() override
    {
        m_home = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        // The user's settings (the reminders' sender, the days) are the test's own.
        m_config = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toLocal8Bit());
        QDir(home.path()).mkpath(documents());
        for (const char* name : {"sbirka.ods", "chyba.xlsx"})
            QFile::copy(QStringLiteral(ORDISK_FIXTURES "/") + QLatin1String(name),
                        documents() + QLatin1Char('/') + QLatin1String(name));
        MainWindowFixture::SetUp();
    }
    void TearDown() override
    {
        qputenv("HOME", m_home);
        qputenv("XDG_CONFIG_HOME", m_config);
    }
    QString documents() const { return home.filePath(QStringLiteral("Documents")); }

    QMenuBar* bar() { return child<QMenuBar>(form.get(), "MenuBar"); }
    QTemporaryDir home;
    QByteArray m_home;
    QByteArray m_config;
    QAction* action(const char* name) { return form->findChild<QAction*>(QString::fromLatin1(name)); }

    // Opens Soubor with Alt+S and runs the item the keys reach.
    void chooseFromFile(std::initializer_list<Qt::Key> keys)
    {
        activate(form.get());
        QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr) << "Alt+S opens Soubor";
        for (Qt::Key key : keys)
            QTest::keyClick(QApplication::activePopupWidget(), key);
    }
};
