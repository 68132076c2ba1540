#include "maintenance/lan_setting_dialog.h"

#include "maintenance/ip_address_field.h"
#include "shell/link_settings_file.h"
#include "ui/control_factory.h"
#include "ui/dialog_support.h"
#include "ui/ui_text.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

namespace va48 {

namespace {

struct AddressRow {
    int labelId;
    TextId textId;
    int fieldId;
};

constexpr std::array<AddressRow, 3> kDeviceRows{{
    {1102, TextId::DeviceIpAddress, 1103}, // IP Address
    {1104, TextId::SubnetMask, 1105},      // Subnet Mask
    {1106, TextId::DefaultGateway, 1107},  // Default Gateway
}};
constexpr AddressRow kPcRow{1109, TextId::PcIpAddress, 1110};

constexpr int kDeviceGroupId = 1101;
constexpr int kPcGroupId = 1108;
constexpr int kOkId = 1111;
constexpr int kCancelId = 1112;

QString Id(int id) {
    return QString::number(id);
}

QGroupBox* MakeGroup(QWidget* parent, TextId textId, int id) {
    auto* group = new QGroupBox(UiText(textId), parent);
    group->setObjectName(Id(id));
    return group;
}

IpAddressField* AddAddressRow(QGridLayout& grid, QGroupBox* group, const AddressRow& row) {
    auto* label = new QLabel(UiText(row.textId), group);
    label->setObjectName(Id(row.labelId));
    auto* field = new IpAddressField(group);
    field->setObjectName(Id(row.fieldId));
    field->SetAccessibleName(label->text());
    label->setBuddy(field);
    const int at = grid.isEmpty() ? 0 : grid.rowCount(); // an empty grid reports one row
    grid.addWidget(label, at, 0);
    grid.addWidget(field, at, 1);
    return field;
}

// Stores the field's address when it differs; returns whether it did.
bool StoreIfChanged(std::array<std::uint8_t, 4>& stored, const IpAddressField& field) {
    const auto address = field.Address();
    if (address == stored) {
        return false;
    }
    stored = address;
    return true;
}

} // namespace

LanSettingDialog::LanSettingDialog(DeviceState& device, LinkSettings& link, SettingsFile& file,
                                   QWidget* owner)
    : QDialog(owner) {
    setObjectName(Id(211));
    setWindowTitle(UiText(TextId::LanSettingTitle));
    setFont(DialogFont(8));

    auto* deviceGroup = MakeGroup(this, TextId::DeviceLanGroup, kDeviceGroupId);
    auto* deviceGrid = new QGridLayout(deviceGroup);
    std::array<IpAddressField*, 3> deviceFields{};
    for (std::size_t i = 0; i < kDeviceRows.size(); ++i) {
        deviceFields[i] = AddAddressRow(*deviceGrid, deviceGroup, kDeviceRows[i]);
    }
    auto* pcGroup = MakeGroup(this, TextId::PcLanGroup, kPcGroupId);
    auto* pcGrid = new QGridLayout(pcGroup);
    IpAddressField* pcField = AddAddressRow(*pcGrid, pcGroup, kPcRow);

    // Both groups' fields line up under one another.
    int labelWidth = 0;
    for (const QLabel* label : findChildren<QLabel*>()) {
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    }
    for (QGridLayout* grid : {deviceGrid, pcGrid}) {
        grid->setColumnMinimumWidth(0, labelWidth + DialogUnitsX(8));
        grid->setColumnStretch(2, 1);
    }

    DeviceLan& lan = device.deviceLan;
    deviceFields[0]->SetAddress(lan.address);
    deviceFields[1]->SetAddress(lan.mask);
    deviceFields[2]->SetAddress(lan.gateway);
    pcField->SetAddress(link.lanAddress);
    // Without values read from the amplifier there is nothing sensible to edit there.
    deviceGroup->setEnabled(lan.known == 1);

    auto* ok = MakeDialogButton(this, UiText(TextId::DialogOk), kOkId);
    ok->setDefault(true);
    auto* cancel = MakeDialogButton(this, UiText(TextId::DialogCancel), kCancelId);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(deviceGroup);
    layout->addWidget(pcGroup);
    layout->addSpacing(DialogUnitsY(2));
    layout->addLayout(ButtonRow({ok, cancel}));

    connect(ok, &QPushButton::clicked, this, [this, deviceFields, pcField, &lan, &link, &file] {
        // The connect address is the program's own setting: saving it is no change for the
        // amplifier. It goes first, so that a file that does not take it leaves the dialog open
        // with nothing stored.
        if (const auto address = pcField->Address(); address != link.lanAddress) {
            if (std::error_code why; !SaveLanAddress(file, link, address, &why)) {
                ShowSettingNotSaved(this, file.Path(), why);
                return;
            }
        }
        bool changed = StoreIfChanged(lan.address, *deviceFields[0]);
        changed = StoreIfChanged(lan.mask, *deviceFields[1]) || changed;
        changed = StoreIfChanged(lan.gateway, *deviceFields[2]) || changed;
        done(changed ? 1 : 0);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    SetWindowIcons(this);
    CentreWhenShown(*this);
}

} // namespace va48
