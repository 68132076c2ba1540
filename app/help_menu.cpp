#include "app/help_menu.h"

#include "app/app_context.h"
#include "app/version_dialog.h"
#include "ui/dialog_seam.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace va48 {

namespace {

// The Help menu's one item.
constexpr int kVersionCommandId = 152;

} // namespace

QMenuBar* MakeHelpMenuBar(QWidget* window) {
    auto* menuBar = new QMenuBar(window);
    QMenu* help = menuBar->addMenu(QStringLiteral("&Help"));
    help->setAccessibleName(QStringLiteral("Help"));
    menuBar->setAccessibleName(help->accessibleName());
    QAction* version = help->addAction(QStringLiteral("&Version..."));
    version->setObjectName(QString::number(kVersionCommandId));
    QObject::connect(version, &QAction::triggered, window, [window] {
        VersionDialog dialog(App().version, window);
        RunModal(dialog);
    });
    return menuBar;
}

} // namespace va48
