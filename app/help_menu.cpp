#include "app/help_menu.h"

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

void AddHelpMenu(QMenuBar& bar, QWidget& window, const VersionInfo& version) {
    QMenu* help = bar.addMenu(QStringLiteral("&Help"));
    help->setAccessibleName(QStringLiteral("Help"));
    if (bar.accessibleName().isEmpty()) {
        bar.setAccessibleName(help->accessibleName());
    }
    QAction* item = help->addAction(QStringLiteral("&Version..."));
    item->setObjectName(QString::number(kVersionCommandId));
    QObject::connect(item, &QAction::triggered, &window, [&window, &version] {
        VersionDialog dialog(version, &window);
        RunModal(dialog);
    });
}

} // namespace va48
