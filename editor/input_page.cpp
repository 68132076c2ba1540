#include "editor/input_page.h"

#include "editor/input_rules.h"
#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/field_adapter.h"
#include "ui/grid_navigation.h"
#include "ui/messages.h"
#include "ui/page_grid.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>

namespace va48 {

namespace {

constexpr QSize kPageSize(410, 516);
constexpr int kRowLabelBase = 4100;
constexpr int kUnitLabelBase = 4500;
constexpr QRect kUnitLabelCell(330, 0, 80, kGridRowHeight); // y from the row; drops 3 by itself

constexpr TextId kLessThanMinimumText = TextId::BelowMinimum;
constexpr TextId kMaximumExceededText = TextId::AboveMaximum;
constexpr TextId kInputValueText = TextId::InputValue;
constexpr TextId kConfirmInputText = TextId::ConfirmInput;

constexpr std::array<GridColumn, 2> kColumns = {{
    {TextId::InputHeader, 4000, 4200, 70, 160, CellKind::List, "INPUT"},
    {TextId::SensitivityHeader, 4001, 4300, 240, 80, CellKind::SpinEdit, "Sensitivity"},
}};

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The text a commit or an arrow step works on.
std::string SensitivityText(const QLineEdit& field) {
    return field.text().left(kSensitivityTextMax).toLatin1().toStdString();
}

} // namespace

InputPage::InputPage(QWidget* parent, DeviceState& device, EditedNotice edited)
    : QWidget(parent), device_(device), edited_(std::move(edited)) {
    setFixedSize(kPageSize);
    Build();
}

void InputPage::Build() {
    PageGridControls grid = BuildPageGrid(this, kColumns, kRowLabelBase);
    for (int row = 0; row < kChannelCount; ++row) {
        const auto index = static_cast<std::size_t>(row);
        Row& controls = rows_[index];
        controls.list = static_cast<QComboBox*>(grid.cells[index][0]);
        controls.field = grid.spins[index].edit;
        controls.up = grid.spins[index].up;
        controls.down = grid.spins[index].down;
        controls.unit = MakeUnitLabel(this, kUnitLabelCell.translated(0, GridRowY(row + 1)),
                                      kUnitLabelBase + row);
        controls.unit->setAccessibleName(QStringLiteral("No.%1 unit").arg(row + 1));

        // activated, not currentIndexChanged: only the user's choice counts, never a refill.
        connect(controls.list, &QComboBox::activated, this,
                [this, row](int chosen) { OnConnectorActivated(row, chosen); });
        connect(controls.up, &QToolButton::clicked, this, [this, row] { StepSensitivity(row, 1); });
        connect(controls.down, &QToolButton::clicked, this,
                [this, row] { StepSensitivity(row, -1); });
        controls.field->installEventFilter(this);
    }
    new GridNavigation(std::move(grid.cells), this);
}

ChannelSettings& InputPage::Channel(int row) const {
    return device_.channels[static_cast<std::size_t>(row)];
}

bool InputPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FocusOut || committing_) {
        return false;
    }
    const int row = FieldRow(watched);
    if (row >= 0 && LeavesTheField(*static_cast<QFocusEvent*>(event))) {
        committing_ = true;
        CommitSensitivity(row);
        committing_ = false;
    }
    return false;
}

void InputPage::Reload() {
    for (int row = 0; row < kChannelCount; ++row) {
        ChannelSettings& channel = Channel(row);
        channel.tedsInput = TedsInput(channel);
        channel.edited = 0;
        FillRow(row);
    }
}

void InputPage::FillRow(int row) {
    const ChannelSettings& channel = Channel(row);
    QComboBox* list = rows_[static_cast<std::size_t>(row)].list;
    if (!HasInputModule(channel.moduleKind)) {
        FillNoModuleList(list);
        ShowSensitivity(row);
        return;
    }
    std::vector<ListItem> items;
    for (const ConnectorRow& connector : ConnectorTable(channel.moduleKind)) {
        items.push_back({Latin1(connector.label), connector.index});
    }
    const ConnectorSelection selection =
        SelectConnectorRow(channel.moduleKind, ConnectorFlags(channel.editSetup));
    if (!selection.extraItem.empty()) {
        items.push_back({Latin1(selection.extraItem), selection.row});
    }
    FillList(list, items, selection.row);
    list->setEnabled(true);
    ShowSensitivity(row);
}

void InputPage::ShowSensitivity(int row) {
    const ChannelSettings& channel = Channel(row);
    const Row& controls = rows_[static_cast<std::size_t>(row)];
    const ChannelSetup& setup = channel.editSetup;
    const Sensitivity shown =
        FormatStoredSensitivity(channel.moduleKind, setup.sensitivity, setup.sensitivityExp);
    // A TEDS connector just chosen: the value will come from the sensor, none is known yet.
    const bool awaitingSensor = channel.edited != 0 && channel.tedsInput != 0;
    controls.field->setText(awaitingSensor ? QString() : Latin1(shown.text));
    WriteUnitLabel(controls.unit, SensitivityUnitLabel(channel));
    const bool open = HasInputModule(channel.moduleKind) && channel.tedsInput == 0;
    for (QWidget* control :
         {static_cast<QWidget*>(controls.field), static_cast<QWidget*>(controls.up),
          static_cast<QWidget*>(controls.down)}) {
        control->setEnabled(open);
    }
}

void InputPage::OnConnectorActivated(int row, int index) {
    const bool toAllOfKind = ShiftHeld();
    ChooseConnector(row, index);
    if (toAllOfKind) {
        const std::uint8_t kind = Channel(row).moduleKind;
        for (int other = 0; other < kChannelCount; ++other) {
            QComboBox* list = rows_[static_cast<std::size_t>(other)].list;
            // A list without that position (the extra item of another channel) keeps its own
            // choice rather than showing none.
            if (other == row || Channel(other).moduleKind != kind || index >= list->count()) {
                continue;
            }
            {
                const QSignalBlocker quiet(list);
                list->setCurrentIndex(index);
            }
            ChooseConnector(other, index);
        }
    }
    edited_();
}

void InputPage::ChooseConnector(int row, int index) {
    ChannelSettings& channel = Channel(row);
    const std::span<const ConnectorRow> table = ConnectorTable(channel.moduleKind);
    if (table.empty() || index < 0) {
        return;
    }
    channel.edited = 1;
    // The extra item stands for flags the table has not got; choosing it changes nothing.
    if (static_cast<std::size_t>(index) < table.size()) {
        QComboBox* list = rows_[static_cast<std::size_t>(row)].list;
        if (static_cast<std::size_t>(list->count()) > table.size()) {
            const QSignalBlocker quiet(list);
            list->removeItem(list->count() - 1);
        }
        ApplyConnectorRow(channel.editSetup, table[static_cast<std::size_t>(index)]);
    }
    channel.tedsInput = TedsInput(channel);
    ShowSensitivity(row);
}

void InputPage::CommitSensitivity(int row) {
    ChannelSettings& channel = Channel(row);
    if (!HasInputModule(channel.moduleKind)) {
        return;
    }
    // Leaving the field counts as an edit, whatever it holds.
    channel.edited = 1;
    edited_();

    const std::string text = SensitivityText(*rows_[static_cast<std::size_t>(row)].field);
    if (text.empty()) {
        Refuse(row, UiText(kInputValueText));
        return;
    }
    ChannelSetup& setup = channel.editSetup;
    const SensitivityCheck check = CheckSensitivityRange(channel.moduleKind, text);
    if (check.result != 0) {
        setup.sensitivity = check.value;
        setup.sensitivityExp = check.exponent;
        ShowSensitivity(row);
        Refuse(row, UiText(check.result < 0 ? kLessThanMinimumText : kMaximumExceededText));
        return;
    }
    const Sensitivity typed = StepShownSensitivity(channel.moduleKind, text, 0);
    setup.sensitivity = typed.value;
    setup.sensitivityExp = typed.exponent;
    ShowSensitivity(row);
    edited_();
}

void InputPage::Refuse(int row, const QString& message) {
    ShowMessageBox(window(), message, BoxIcon::Exclamation);
    rows_[static_cast<std::size_t>(row)].field->setFocus(Qt::OtherFocusReason);
}

void InputPage::StepSensitivity(int row, int delta) {
    ChannelSettings& channel = Channel(row);
    if (!HasInputModule(channel.moduleKind) || channel.tedsInput != 0) {
        return;
    }
    // Shown sound values are negative: the upper arrow must make the number larger, not the
    // stored value.
    const int step = channel.moduleKind == kSoundModule ? -delta : delta;
    const Sensitivity stepped = StepShownSensitivity(
        channel.moduleKind, SensitivityText(*rows_[static_cast<std::size_t>(row)].field), step);
    channel.edited = 1;
    channel.editSetup.sensitivity = stepped.value;
    channel.editSetup.sensitivityExp = stepped.exponent;
    ShowSensitivity(row);
    edited_();
}

void InputPage::OnCharacter(char16_t code) {
    const int row = FieldRow(QApplication::focusWidget());
    if (row < 0) {
        return;
    }
    const ChannelSettings& channel = Channel(row);
    if (!HasInputModule(channel.moduleKind) || channel.editSetup.teds != 0) {
        return;
    }
    DecimalKey(*rows_[static_cast<std::size_t>(row)].field, code, kSensitivityDigits,
               channel.moduleKind == kSoundModule);
    edited_();
}

bool InputPage::CheckValues() {
    for (int row = 0; row < kChannelCount; ++row) {
        const ChannelSettings& channel = Channel(row);
        if (HasInputModule(channel.moduleKind) &&
            !ValidConnectorFlags(channel.moduleKind, ConnectorFlags(channel.editSetup))) {
            ShowMessageBox(this, UiTextFormatted(kConfirmInputText, row + 1), BoxIcon::Exclamation);
            rows_[static_cast<std::size_t>(row)].list->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

int InputPage::FieldRow(const QObject* object) const {
    for (int row = 0; row < kChannelCount; ++row) {
        if (object && rows_[static_cast<std::size_t>(row)].field == object) {
            return row;
        }
    }
    return -1;
}

} // namespace va48
