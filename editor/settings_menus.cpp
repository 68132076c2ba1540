#include "editor/settings_menus.h"

#include "monitor/level_watch.h"
#include "resources/text_id.h"
#include "ui/messages.h"
#include "ui/ui_text.h"

#include <QAction>
#include <QActionGroup>
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

struct PollPeriodItem {
    int ms;
    TextId text;
};

constexpr std::array<PollPeriodItem, 3> kPollPeriodItems = {{
    {kPollPeriodsMs[0], TextId::PollPeriod1000},
    {kPollPeriodsMs[1], TextId::PollPeriod500},
    {kPollPeriodsMs[2], TextId::PollPeriod200},
}};

constexpr const char* kRecordItemName = "recordLevels";

void AddViewMenu(QMenuBar& bar, QWidget& window, const SettingsMenuActions& actions) {
    QMenu* view = bar.addMenu(UiText(TextId::MenuView));
    view->setObjectName(QStringLiteral("viewMenu"));
    AddItem(*view, window, UiText(TextId::MenuOverloadHistory), "overloadHistory",
            actions.showOverloads);
    AddItem(*view, window, UiText(TextId::MenuTrend), "trend", actions.showTrend);
    view->addSeparator();
    QMenu* periods = view->addMenu(UiText(TextId::MenuPollPeriod));
    periods->setObjectName(QStringLiteral("pollPeriodMenu"));
    auto* group = new QActionGroup(periods);
    for (const PollPeriodItem& item : kPollPeriodItems) {
        QAction* action = AddItem(*periods, window, UiText(item.text),
                                  qPrintable(QStringLiteral("pollPeriod%1").arg(item.ms)),
                                  [run = actions.setPollPeriod, ms = item.ms] {
                                      if (run) {
                                          run(ms);
                                      }
                                  });
        action->setCheckable(true);
        action->setChecked(item.ms == actions.pollPeriodMs);
        group->addAction(action);
    }
}

} // namespace

void AddSettingsMenus(QMenuBar& bar, QWidget& window, const SettingsMenuActions& actions) {
    QMenu* file = bar.addMenu(UiText(TextId::MenuFile));
    file->setObjectName(QStringLiteral("fileMenu"));
    AddItem(*file, window, UiText(TextId::MenuSaveSetup), "saveSetup", actions.saveSetup);
    AddItem(*file, window, UiText(TextId::MenuLoadSetup), "loadSetup", actions.loadSetup);
    file->addSeparator();
    AddItem(*file, window, UiText(TextId::MenuExportReport), "exportReport", actions.exportReport);
    file->addSeparator();
    AddItem(*file, window, UiText(TextId::MenuRecordLevels), kRecordItemName, actions.recordLevels);
    AddViewMenu(bar, window, actions);

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

void ShowRecordingItem(QMenuBar& bar, bool recording) {
    if (auto* item = bar.findChild<QAction*>(QString::fromLatin1(kRecordItemName))) {
        item->setText(UiText(recording ? TextId::MenuStopRecording : TextId::MenuRecordLevels));
    }
}

} // namespace va48
