#pragma once

#include "protocol/device_state.h"

#include <optional>
#include <string>
#include <vector>

namespace va48 {

// The two columns of the user filter page: the fine high-pass and low-pass choice of a channel,
// stored in editSetup.hpfIndex and editSetup.lpfIndex.
enum class FilterColumn { Hpf, Lpf };

// One offered filter: its label and the index it stores (-2 user filter, -1 off, 0.. fine row).
struct FilterChoice {
    std::string text;
    int code;
};

// The items of one filter list and the code of the item shown selected.
struct FilterList {
    std::vector<FilterChoice> items; // empty for a channel without a (known) module
    int selected = 0;                // meaningless when `items` is empty
};

// The list a channel offers in `column`: the module's fine list in table order, then the user
// filter (its cut-off label, code -2) while the edit copy of that filter is enabled. The stored
// index selects its item; an index with no item (one the amplifier sent beyond the list, or the
// user filter while it is not enabled) selects the first item. The stored index is left as it is.
FilterList BuildFilterList(const ChannelSettings& channel, FilterColumn column);

// The index stored in `column` of a channel: editSetup.hpfIndex or editSetup.lpfIndex.
int StoredFilterIndex(const ChannelSettings& channel, FilterColumn column);

// Stores the item at list position `position` of `column` for channel `row` (0..15). With
// `allOfKind`, every other channel of the same module kind stores the item at the same position of
// its own list; a channel whose list is shorter (its user filter is not enabled) keeps its index.
// Returns the rows whose index may have changed (to be shown again); empty when `position` names
// no item of the chosen channel's list.
std::vector<int> ApplyFilterChoice(DeviceState& device, int row, FilterColumn column, int position,
                                   bool allOfKind);

} // namespace va48
