#include "app/ProgramMenu.h"

#include "app/AboutSheet.h"
#include "app/RbxCharWindowController.h"

#include <QMenu>

QMenu* makeProgramMenu(RbxCharWindowController& wc, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("programMenu"));
    QAction* toggle = menu->addAction(QStringLiteral("Open Palette"));
    // The item is the sender: with Ctrl+Shift+Alt held it resets the palette's frame.
    QObject::connect(toggle, &QAction::triggered, &wc, [&wc, toggle] { wc.toggleWindowAction(toggle); });
    QObject::connect(menu, &QMenu::aboutToShow, menu, [toggle, &wc] {
        toggle->setText(wc.isWindowVisible() ? QStringLiteral("Close Palette") : QStringLiteral("Open Palette"));
    });
    const auto sheet = [menu, &wc](const QString& title, const QString& name) {
        menu->addAction(title, &wc, [&wc, name] { wc.openSheet(name); });
    };
    menu->addSeparator();
    sheet(QStringLiteral("About Runebox"), QStringLiteral("about"));
    menu->addAction(QStringLiteral("Runebox Help"), menu, [] { AboutSheet::showHelp(); });
    sheet(QStringLiteral("Preferences…"), QStringLiteral("preferences"));
    menu->addSeparator();
    sheet(QStringLiteral("Import Favorites…"), QStringLiteral("importFavorites"));
    sheet(QStringLiteral("Export Favorites…"), QStringLiteral("exportFavorites"));
    menu->addSeparator();
    sheet(QStringLiteral("Contact and Support…"), QStringLiteral("contact"));
    menu->addSeparator();
    menu->addAction(QStringLiteral("Quit Runebox"), &wc, [&wc] { wc.terminate(); });
    return menu;
}
