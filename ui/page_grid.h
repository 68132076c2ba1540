#pragma once

#include "resources/text_id.h"

#include "ui/control_factory.h"

#include <QComboBox>
#include <QLabel>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace va48 {

// The 16-row grids of the setting pages, generated from a description of their columns.

inline constexpr int kGridRows = 16;
inline constexpr int kGridTop = 40;       // y of row 1
inline constexpr int kGridRowPitch = 30;  // rows are this far apart
inline constexpr int kGridRowHeight = 26; // controls are this high
inline constexpr int kGridHeaderHeight = 40;

enum class CellKind { List, SpinEdit };

struct GridColumn {
    TextId headerText;
    int headerId;
    int idBase; // control of row r: idBase + r - 1
    int x;
    int width;
    CellKind kind;
    const char* role; // the header's words for screen readers: "No.3 <role>"
};

// One built grid: cells[row][column] (row 0 is channel 1). For a spin-edit column the cell is the
// edit; spins[row] holds that row's up-down pair.
struct PageGridControls {
    std::array<QLabel*, kGridRows> rowLabels{};
    std::vector<std::vector<QWidget*>> cells;
    std::array<SpinEdit, kGridRows> spins{};
};

// Builds the column headers, the "No.%d" row labels (rowLabelBase + r - 1, at x 0, 60 wide) and
// every cell of `columns` on `page`, with accessible names "No.<r> <role>" (lists carry it as
// their accessible description too).
PageGridControls BuildPageGrid(QWidget* page, std::span<const GridColumn> columns,
                               int rowLabelBase);

// y of row r (1..16).
constexpr int GridRowY(int row) {
    return kGridTop + kGridRowPitch * (row - 1);
}

// One item of a list: its text and the code it stands for (the item data).
struct ListItem {
    QString text;
    int code;
};

// Refills a list without it counting as a choice: the items in order, then the item whose code
// is `select` selected; the first item when none matches and `firstWhenMissing`, otherwise no
// selection. nullopt selects nothing.
void FillList(QComboBox* list, const std::vector<ListItem>& items, std::optional<int> select,
              bool firstWhenMissing = true);

// The list of a channel without a module: the single item "- - -", selected, disabled.
void FillNoModuleList(QComboBox* list);

// The code of a list's item at `index`; nullopt for no item.
std::optional<int> ItemCode(const QComboBox* list, int index);

// Whether Shift is held while a choice is made (the choice then goes to every channel of the
// same module kind).
bool ShiftHeld();

} // namespace va48
