#include "editor/user_filter_page.h"

#include "ui/grid_navigation.h"
#include "ui/messages.h"
#include "ui/window_message.h"

#include <QComboBox>

#include <array>

namespace va48 {

namespace {

constexpr QSize kPageSize(240, 516);
constexpr int kRowLabelBase = 6100;

// Column c of the grid edits kColumnFields[c].
constexpr std::array<FilterColumn, 2> kColumnFields = {FilterColumn::Hpf, FilterColumn::Lpf};

constexpr std::array<GridColumn, 2> kColumns = {{
    {TextId::UserHpfHeader, 6000, 6200, 70, 80, CellKind::List, "User HPF"},
    {TextId::UserLpfHeader, 6001, 6300, 160, 80, CellKind::List, "User LPF"},
}};

std::vector<ListItem> ToListItems(const std::vector<FilterChoice>& choices) {
    std::vector<ListItem> items;
    items.reserve(choices.size());
    for (const FilterChoice& choice : choices) {
        items.push_back({QString::fromStdString(choice.text), choice.code});
    }
    return items;
}

} // namespace

UserFilterPage::UserFilterPage(QWidget* parent, DeviceState& device, EditedNotice edited)
    : QWidget(parent), device_(device), edited_(std::move(edited)) {
    setFixedSize(kPageSize);
    grid_ = BuildPageGrid(this, kColumns, kRowLabelBase);
    new GridNavigation(grid_.cells, this);
    for (int row = 0; row < kGridRows; ++row) {
        for (std::size_t c = 0; c < kColumnFields.size(); ++c) {
            auto* list = static_cast<QComboBox*>(grid_.cells[static_cast<std::size_t>(row)][c]);
            // activated, not currentIndexChanged: only the user's choice is an edit.
            connect(list, &QComboBox::activated, this,
                    [this, row, column = kColumnFields[c]](int index) {
                        OnChoice(row, column, index);
                    });
        }
    }
}

void UserFilterPage::Reload() {
    for (int row = 0; row < kGridRows; ++row) {
        FillRow(row);
    }
}

void UserFilterPage::FillRow(int row) {
    const ChannelSettings& channel = device_.channels[static_cast<std::size_t>(row)];
    for (std::size_t c = 0; c < kColumnFields.size(); ++c) {
        auto* list = static_cast<QComboBox*>(grid_.cells[static_cast<std::size_t>(row)][c]);
        const FilterList filters = BuildFilterList(channel, kColumnFields[c]);
        if (filters.items.empty()) {
            FillNoModuleList(list);
            continue;
        }
        list->setEnabled(true);
        FillList(list, ToListItems(filters.items), filters.selected);
    }
}

void UserFilterPage::OnChoice(int row, FilterColumn column, int position) {
    const std::vector<int> changed = ApplyFilterChoice(device_, row, column, position, ShiftHeld());
    if (changed.empty()) {
        return;
    }
    for (int changedRow : changed) {
        FillRow(changedRow);
    }
    edited_();
}

} // namespace va48
