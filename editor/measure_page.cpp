#include "editor/measure_page.h"

#include "ui/dialog_seam.h"
#include "ui/grid_navigation.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QComboBox>

namespace va48 {

namespace {

constexpr QSize kPageSize(590, 516);
constexpr int kRowLabelBase = 5100;
constexpr TextId kRangeMissingText = TextId::ConfirmRange;

// In the order of MeasureColumn.
constexpr std::array<GridColumn, kMeasureColumnCount> kColumns = {{
    {TextId::RangeHeader, 5000, 5200, 70, 80, CellKind::List, "RANGE"},
    {TextId::FreqWeightUnitHeader, 5001, 5300, 160, 120, CellKind::List, "FREQ.WEIGHT./UNIT"},
    {TextId::TimeWeightDetectionHeader, 5002, 5400, 290, 120, CellKind::List,
     "TIME.WEIGHT./DETECTION"},
    {TextId::MeasureHpfHeader, 5003, 5500, 420, 80, CellKind::List, "HPF"},
    {TextId::MeasureLpfHeader, 5004, 5600, 510, 80, CellKind::List, "LPF"},
}};

// A two-line header fills its 40 pixels; only a single line is centred vertically.
void AlignTwoLineHeaders(QWidget* page) {
    for (const GridColumn& column : kColumns) {
        auto* header = page->findChild<QLabel*>(QString::number(column.headerId));
        if (header && header->text().contains(QLatin1Char('\n'))) {
            header->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        }
    }
}

std::vector<ListItem> ToListItems(const std::vector<MeasureItem>& items) {
    std::vector<ListItem> out;
    out.reserve(items.size());
    for (const MeasureItem& item : items) {
        out.push_back({QString::fromStdString(item.text), item.code});
    }
    return out;
}

} // namespace

MeasurePage::MeasurePage(QWidget* parent, DeviceState& device, EditedNotice edited)
    : QWidget(parent), device_(device), edited_(std::move(edited)) {
    setFixedSize(kPageSize);
    grid_ = BuildPageGrid(this, kColumns, kRowLabelBase);
    AlignTwoLineHeaders(this);
    new GridNavigation(grid_.cells, this);
    for (int channel = 1; channel <= kGridRows; ++channel) {
        for (int c = 0; c < kMeasureColumnCount; ++c) {
            const auto column = static_cast<MeasureColumn>(c);
            // activated, unlike the index signals, comes from the user alone: filling is no choice.
            connect(List(channel, column), &QComboBox::activated, this,
                    [this, channel, column](int index) { OnChoice(channel, column, index); });
        }
    }
}

QComboBox* MeasurePage::List(int channel, MeasureColumn column) const {
    return static_cast<QComboBox*>(
        grid_.cells[static_cast<std::size_t>(channel - 1)][static_cast<std::size_t>(column)]);
}

void MeasurePage::FillRow(int channel) {
    const auto row = BuildMeasureRow(Channel(channel));
    for (int c = 0; c < kMeasureColumnCount; ++c) {
        QComboBox* list = List(channel, static_cast<MeasureColumn>(c));
        if (!row) {
            FillNoModuleList(list);
            continue;
        }
        const MeasureList& lists = (*row)[static_cast<std::size_t>(c)];
        list->setEnabled(true);
        FillList(list, ToListItems(lists.items), lists.select, lists.firstWhenMissing);
    }
}

void MeasurePage::OnChoice(int channel, MeasureColumn column, int index) {
    const std::optional<int> code = ItemCode(List(channel, column), index);
    if (!code) {
        return;
    }
    ChannelSettings& chosen = Channel(channel);
    StoreMeasureChoice(chosen, column, *code);
    FillRow(channel);
    // A range belongs to one channel's sensitivity; everything else may go to all alike.
    if (column != MeasureColumn::Range && ShiftHeld()) {
        for (int other = 1; other <= kGridRows; ++other) {
            ChannelSettings& target = Channel(other);
            if (other != channel && target.moduleKind == chosen.moduleKind) {
                // A channel whose list lacks the chosen item keeps its own value.
                StoreMeasureChoice(target, column, *code);
                FillRow(other);
            }
        }
    }
    edited_();
}

bool MeasurePage::CheckValues() {
    for (int channel = 1; channel <= kGridRows; ++channel) {
        const std::uint8_t kind = Channel(channel).moduleKind;
        QComboBox* range = List(channel, MeasureColumn::Range);
        if ((kind == kSoundModule || kind == kVibrationModule) && range->currentIndex() < 0) {
            ShowMessageBox(this, UiTextFormatted(kRangeMissingText, channel), BoxIcon::Exclamation);
            range->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

void MeasurePage::Reload() {
    for (int channel = 1; channel <= kGridRows; ++channel) {
        Channel(channel).rangeUnselected = 0;
        FillRow(channel);
    }
}

ChannelSettings& MeasurePage::Channel(int channel) const {
    return device_.channels[static_cast<std::size_t>(channel - 1)];
}

} // namespace va48
