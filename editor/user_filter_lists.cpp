#include "editor/user_filter_lists.h"

#include "protocol/value_tables.h"

#include <span>

namespace va48 {

namespace {

// The offered rows of a fine list: all but its end row, which stands for the user filter.
template <std::size_t N>
std::span<const IndexLabel> OfferedRows(const std::array<IndexLabel, N>& table) {
    static_assert(N > 0);
    return std::span<const IndexLabel>(table).first(N - 1);
}

std::span<const IndexLabel> FineRows(std::uint8_t moduleKind, FilterColumn column) {
    if (moduleKind != kSoundModule && moduleKind != kVibrationModule) {
        return {};
    }
    if (column == FilterColumn::Hpf) {
        return OfferedRows(kHpfFineList);
    }
    return moduleKind == kSoundModule ? OfferedRows(kSoundLpfFineList)
                                      : OfferedRows(kVibrationLpfFineList);
}

const UserFilter& EditUserFilter(const ChannelSettings& channel, FilterColumn column) {
    return column == FilterColumn::Hpf ? channel.editUserHpf : channel.editUserLpf;
}

std::int8_t& StoredIndex(ChannelSettings& channel, FilterColumn column) {
    return column == FilterColumn::Hpf ? channel.editSetup.hpfIndex : channel.editSetup.lpfIndex;
}

// The code at `position` of a channel's list; nullopt when the list has no such item.
std::optional<int> CodeAt(const ChannelSettings& channel, FilterColumn column, int position) {
    const FilterList list = BuildFilterList(channel, column);
    if (position < 0 || static_cast<std::size_t>(position) >= list.items.size()) {
        return std::nullopt;
    }
    return list.items[static_cast<std::size_t>(position)].code;
}

} // namespace

FilterList BuildFilterList(const ChannelSettings& channel, FilterColumn column) {
    FilterList list;
    for (const IndexLabel& row : FineRows(channel.moduleKind, column)) {
        list.items.push_back({std::string(row.label), row.index});
    }
    if (list.items.empty()) {
        return list;
    }
    if (const UserFilter& user = EditUserFilter(channel, column); user.enabled == 1) {
        list.items.push_back({std::string(TextOf(user.cutoffLabel)), kUserFilterIndex});
    }
    const int stored = StoredFilterIndex(channel, column);
    list.selected = list.items.front().code;
    for (const FilterChoice& item : list.items) {
        if (item.code == stored) {
            list.selected = stored;
            break;
        }
    }
    return list;
}

int StoredFilterIndex(const ChannelSettings& channel, FilterColumn column) {
    return column == FilterColumn::Hpf ? channel.editSetup.hpfIndex : channel.editSetup.lpfIndex;
}

std::vector<int> ApplyFilterChoice(DeviceState& device, int row, FilterColumn column, int position,
                                   bool allOfKind) {
    if (row < 0 || row >= kChannelCount) {
        return {};
    }
    ChannelSettings& chosen = device.channels[static_cast<std::size_t>(row)];
    const std::optional<int> code = CodeAt(chosen, column, position);
    if (!code) {
        return {};
    }
    StoredIndex(chosen, column) = static_cast<std::int8_t>(*code);
    std::vector<int> changed{row};
    if (!allOfKind) {
        return changed;
    }
    for (int other = 0; other < kChannelCount; ++other) {
        ChannelSettings& channel = device.channels[static_cast<std::size_t>(other)];
        if (other == row || channel.moduleKind != chosen.moduleKind) {
            continue;
        }
        // The same position means the same fine row for the same module kind; past the fine
        // rows it is the user filter, which a channel without one enabled cannot take.
        if (const std::optional<int> its = CodeAt(channel, column, position)) {
            StoredIndex(channel, column) = static_cast<std::int8_t>(*its);
            changed.push_back(other);
        }
    }
    return changed;
}

} // namespace va48
