#include "main_menu/main_menu.h"

#include "main_menu/flows.h"
#include "storage/database.h"
#include "ui_common/messages.h"
#include "undo/undo_history.h"

#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>

#include <vector>

namespace mainmenu {
namespace {

std::function<void(const QString&)>& restoreHandler()
{
    static std::function<void(const QString&)> handler;
    return handler;
}

// Actions that follow a button of the window: enabled while it is (and while also says so).
// The items that change data follow "KONEC", which is disabled while a record is edited;
// "O programu" follows the button it stands for.
class EnabledWith : public QObject
{
public:
    EnabledWith(QWidget* button, std::vector<QAction*> actions, std::function<bool(QAction*)> also = nullptr)
        : QObject(button), m_button(button), m_actions(std::move(actions)), m_also(std::move(also))
    {
        button->installEventFilter(this);
        follow();
    }

    void follow()
    {
        for (QAction* action : m_actions)
            action->setEnabled(m_button->isEnabled() && (!m_also || m_also(action)));
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange)
            follow();
        return false;
    }

private:
    QWidget* m_button;
    std::vector<QAction*> m_actions;
    std::function<bool(QAction*)> m_also;
};

QAction* item(QMenu* menu, const char* name, const QString& text, const std::function<void()>& run)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, menu, run);
    return action;
}

// "Úpravy": Zpět and Znovu over the history, named after the step they would take, enabled
// while there is one and no record is being edited. After either, both lists show every row.
void addEditMenu(QMenuBar* bar, QWidget* window, const Hooks& hooks)
{
    UndoHistory* history = hooks.history;
    QMenu* edit = bar->addMenu(QStringLiteral("Úp&ravy"));
    edit->setObjectName(QStringLiteral("MenuUpravy"));
    const auto move = [window, history, hooks](bool back) {
        QString refusal;
        const Status done = back ? history->undo(refusal) : history->redo(refusal);
        if (!refusal.isEmpty())
            messages::critical(window, back ? QStringLiteral("Zpět") : QStringLiteral("Znovu"), refusal);
        else if (!messages::report(window, done))
            return;
        if (hooks.showNewRows) {
            hooks.showNewRows(QStringLiteral("cd"));
            hooks.showNewRows(QStringLiteral("lide"));
        }
    };
    QAction* undo = item(edit, "Zpet", QStringLiteral("&Zpět"), [move] { move(true); });
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = item(edit, "Znovu", QStringLiteral("Z&novu"), [move] { move(false); });
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    window->addAction(undo);
    window->addAction(redo);
    auto* konec = window->findChild<QWidget*>(QStringLiteral("CmbKonec"));
    if (!konec)
        return;
    auto* enabled = new EnabledWith(konec, {undo, redo}, [undo, history](QAction* action) {
        return action == undo ? history->canUndo() : history->canRedo();
    });
    const auto name = [undo, redo, history] {
        // A name's own "&" is a letter, not a mnemonic.
        const auto named = [](const QString& verb, const QString& step) {
            return step.isEmpty() ? verb
                                  : verb + QStringLiteral(": ") + QString(step).replace(u'&', QStringLiteral("&&"));
        };
        undo->setText(named(QStringLiteral("&Zpět"), history->undoText()));
        redo->setText(named(QStringLiteral("Z&novu"), history->redoText()));
    };
    name();
    QObject::connect(history, &UndoHistory::changed, enabled, [enabled, name] {
        enabled->follow();
        name();
    });
}

} // namespace

void onRestore(std::function<void(const QString& copy)> handler)
{
    restoreHandler() = std::move(handler);
}

QMenuBar* attach(QWidget* window, Database& db, const Hooks& hooks)
{
    auto* bar = new QMenuBar(window);
    bar->setObjectName(QStringLiteral("MenuBar"));
    bar->setAccessibleName(QStringLiteral("Nabídka"));
    Database* register_ = &db;

    QMenu* file = bar->addMenu(QStringLiteral("&Soubor"));
    file->setObjectName(QStringLiteral("MenuSoubor"));
    std::vector<QAction*> changing;
    for (const auto& [name, text, table] :
         {std::tuple{"ImportovatDisky", "&Importovat disky…", "cd"}, {"ImportovatLidi", "Importovat &lidi…", "lide"}})
        changing.push_back(
            item(file, name, QString::fromUtf8(text), [window, register_, hooks, table = QString::fromLatin1(table)] {
                importList(
                    window, *register_, table,
                    [&hooks, table] {
                        if (hooks.showNewRows)
                            hooks.showNewRows(table);
                    },
                    hooks.history);
            }));
    QMenu* exports = file->addMenu(QStringLiteral("&Exportovat"));
    exports->setObjectName(QStringLiteral("MenuExportovat"));
    for (const auto& [name, text, table] : {std::tuple{"ExportovatDisky", "&Disky…", "cd"},
                                            {"ExportovatLidi", "&Lidi…", "lide"},
                                            {"ExportovatVypujcky", "&Všechny výpůjčky…", "vypujcky"},
                                            {"ExportovatNevracena", "&Nevrácená CD…", "nevracenecd"},
                                            {"ExportovatDlouho", "Dlouho &půjčená CD…", "dlouho"},
                                            {"ExportovatNikdy", "Ni&kdy nepůjčená CD…", "nikdy"}})
        item(exports, name, QString::fromUtf8(text),
             [window, register_, table = QString::fromLatin1(table)] { exportList(window, *register_, table); });
    file->addSeparator();
    const ShownKeys shown = hooks.shownKeys;
    QAction* print = item(file, "Tisk", QStringLiteral("&Tisk…"),
                          [window, register_, shown] { mainmenu::print(window, *register_, shown); });
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    item(file, "KdoCo", QStringLiteral("Kdo &má co půjčeno…"),
         [window, register_] { showBorrowers(window, *register_, false); });
    item(file, "DlouhoPujcena", QStringLiteral("&Dlouho půjčená CD…"),
         [window, register_] { showBorrowers(window, *register_, true); });
    item(file, "Upominky", QStringLiteral("&Upomínky…"),
         [window, register_, shown] { mainmenu::print(window, *register_, shown, QStringLiteral("upominky")); });
    const std::function<qint64()> picked = hooks.pickedPerson;
    item(file, "UpominkaVybranemu", QStringLiteral("Upomínka &vybranému…"), [window, register_, shown, picked] {
        const qint64 person = picked ? picked() : 0;
        if (person <= 0)
            messages::information(window, QStringLiteral("Upomínka"),
                                  QStringLiteral("Vyberte v seznamu lidí, komu upomínku napsat."));
        else
            mainmenu::print(window, *register_, shown, QStringLiteral("upominky"), person);
    });
    item(file, "Prehled", QStringLiteral("&Přehled půjčování"),
         [window, register_, shown] { showOverview(window, *register_, shown); });
    file->addSeparator();
    item(file, "Zalohovat", QStringLiteral("&Zálohovat evidenci…"),
         [window, register_] { backUp(window, *register_); });
    changing.push_back(item(file, "Obnovit", QStringLiteral("&Obnovit ze zálohy…"), [window, register_] {
        chooseRestore(window, *register_, [window](const QString& copy) {
            if (!restoreHandler())
                return;
            restoreHandler()(copy);
            window->close(); // as "KONEC": every window closes, then the program restores and starts again
        });
    }));
    changing.push_back(item(file, "Kos", QStringLiteral("Ko&š…"), [window, register_, hooks] {
        showTrash(window, *register_, [&hooks] {
            if (hooks.showNewRows) {
                hooks.showNewRows(QStringLiteral("cd"));
                hooks.showNewRows(QStringLiteral("lide"));
            }
        });
    }));
    file->addSeparator();
    QAction* quit = item(file, "Konec", QStringLiteral("&Konec"), [window] { window->close(); });
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    changing.push_back(quit);

    if (hooks.history)
        addEditMenu(bar, window, hooks);

    QMenu* help = bar->addMenu(QStringLiteral("&Nápověda"));
    help->setObjectName(QStringLiteral("MenuNapoveda"));
    QAction* manual = item(help, "Prirucka", QStringLiteral("&Příručka"), [window] { showManual(window); });
    manual->setShortcut(QKeySequence(Qt::Key_F1));
    auto* aboutButton = window->findChild<QPushButton*>(QStringLiteral("Command9"));
    QAction* about = item(help, "OProgramu", QStringLiteral("&O programu"), [aboutButton] {
        if (aboutButton)
            aboutButton->click(); // as "O progamu"
    });
    // Shortcuts work while the window is active, its menu closed.
    window->addAction(quit);
    window->addAction(print);
    window->addAction(manual);

    if (auto* konec = window->findChild<QWidget*>(QStringLiteral("CmbKonec")))
        new EnabledWith(konec, changing);
    if (aboutButton)
        new EnabledWith(aboutButton, {about});

    // The bar above the window's controls, which keep their places: the window grows.
    const int height = bar->sizeHint().height();
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != bar && !child->isWindow())
            child->move(child->x(), child->y() + height);
    bar->setGeometry(0, 0, window->width(), height);
    window->setFixedSize(window->width(), window->height() + height);
    return bar;
}

} // namespace mainmenu
