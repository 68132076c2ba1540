#include "app/usb_choice.h"

#include "app/app_context.h"
#include "shell/link_settings_file.h"
#include "transport/usb_discovery.h"
#include "ui/dialog_seam.h"
#include "ui/ui_text.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <system_error>

namespace va48 {

namespace {

QString DeviceLine(const UsbDevice& device) {
    const QString serial = device.serialNumber.empty()
                               ? UiText(TextId::NoSerialNumber)
                               : QString::fromStdString(device.serialNumber);
    return QString::fromStdString(device.node) + QStringLiteral("    ") + serial;
}

// The index of the amplifier the user picks, or -1 when cancelled.
int AskWhich(QWidget* owner, const std::vector<UsbDevice>& devices) {
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("usbChoice"));
    dialog.setWindowTitle(UiText(TextId::ChooseAmplifierTitle));
    auto* layout = new QVBoxLayout(&dialog);
    auto* prompt = new QLabel(UiText(TextId::ChooseAmplifierPrompt), &dialog);
    auto* list = new QListWidget(&dialog);
    list->setAccessibleName(prompt->text());
    prompt->setBuddy(list);
    for (const UsbDevice& device : devices) {
        list->addItem(DeviceLine(device));
    }
    list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    layout->addWidget(prompt);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (RunModal(dialog) != QDialog::Accepted) {
        return -1;
    }
    return list->currentRow();
}

} // namespace

bool ChooseUsbAmplifier(QWidget* owner, AppContext& app) {
    const UsbDeviceList found = FindUsbDevices(app.link.hardwareId, app.usbRoots);
    if (found.devices.size() < 2 || FindSerialNumber(app.link.usbSerialNumber, found.devices)) {
        return true;
    }
    const int chosen = AskWhich(owner, found.devices);
    if (chosen < 0 || chosen >= static_cast<int>(found.devices.size())) {
        return false;
    }
    const std::string& serial = found.devices[static_cast<std::size_t>(chosen)].serialNumber;
    std::error_code why;
    if (!SaveUsbSerialNumber(app.settingsFile, app.link, serial, &why)) {
        // Not remembered for the next start, but used now.
        app.link.usbSerialNumber = serial;
        ShowMessageBox(owner,
                       QString::fromStdString(app.paths.settings.string() + ": " + why.message()),
                       BoxIcon::Exclamation);
    }
    return true;
}

} // namespace va48
