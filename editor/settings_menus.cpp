#include "editor/settings_menus.h"

#include "resources/text_id.h"
#include "ui/messages.h"
#include "ui/ui_text.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <array>

namespace va48 {

namespace {

struct DeviceItem {
    TextId text;
    char16_t code;
    Qt::Key key;
    const char* objectName;
};

constexpr std::array<DeviceItem, 6> kDeviceItems = {{
    {TextId::MenuVersion, kCtrlV, Qt::Key_V, "deviceVersion"},
    {TextId::MenuReset, kCtrlR, Qt::Key_R, "deviceReset"},
    {TextId::MenuReboot, kCtrlB, Qt::Key_B, "deviceReboot"},
    {TextId::MenuHpfCoefficients, kCtrlH, Qt::Key_H, "deviceHpf"},
    {TextId::MenuLpfCoefficients, kCtrlL, Qt::Key_L, "deviceLpf"},
    {TextId::MenuFirmwareUpdate, kCtrlU, Qt::Key_U, "deviceUpdate"},
}};

QAction* AddItem(QMenu& menu, QWidget& window, const QString& text, const char* objectName,
                 const std::function<void()>& run) {
    QAction* action = menu.addAction(text);
    action->setObjectName(QString::fromLatin1(objectName));
    QObject::connect(action, &QAction::triggered, &window, [run] {
        if (run) {
            run();
        }
    });
    return action;
}

} // namespace

void AddSettingsMenus(QMenuBar& bar, QWidget& window, const SettingsMenuActions& actions) {
    QMenu* file = bar.addMenu(UiText(TextId::MenuFile));
    file->setObjectName(QStringLiteral("fileMenu"));
    AddItem(*file, window, UiText(TextId::MenuSaveSetup), "saveSetup", actions.saveSetup);
    AddItem(*file, window, UiText(TextId::MenuLoadSetup), "loadSetup", actions.loadSetup);
    file->addSeparator();
    AddItem(*file, window, UiText(TextId::MenuExportReport), "exportReport", actions.exportReport);

    QMenu* device = bar.addMenu(UiText(TextId::MenuDevice));
    device->setObjectName(QStringLiteral("deviceMenu"));
    for (const DeviceItem& item : kDeviceItems) {
        // After a tab the menu shows the text as the key's, right-aligned, without binding it.
        const QString shortcut =
            QKeySequence(Qt::CTRL | item.key).toString(QKeySequence::NativeText);
        AddItem(*device, window, UiText(item.text) + QLatin1Char('\t') + shortcut, item.objectName,
                [run = actions.deviceCommand, code = item.code] {
                    if (run) {
                        run(code);
                    }
                });
    }
}

} // namespace va48
