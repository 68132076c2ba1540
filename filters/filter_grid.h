#pragma once

#include "resources/text_id.h"

#include "filters/filter_rules.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace va48 {

// The 16-row grid of a coefficient dialog, generated from one description of its eight columns
// (check box, frequency field, unit list, a2, b2, c2, a1, b1) for both dialogs.

// What tells the two dialogs' grids apart.
struct FilterGridNames {
    int idBase;          // 7000 high-pass, 8000 low-pass
    TextId firstHeader;  // the check column's header; column header i follows i texts later
    const char* display; // the frequency column's words: "HPF Display" / "LPF Display"
};

// One row's controls. Row r (0 .. 15) is channel r + 1.
struct FilterGridRow {
    QLabel* label = nullptr;                                  // "No.%d", idBase + 100 + r
    QCheckBox* check = nullptr;                               // idBase + 200 + r
    QLineEdit* frequency = nullptr;                           // idBase + 300 + r
    QComboBox* unit = nullptr;                                // idBase + 400 + r
    std::array<QLineEdit*, kCoefficientCount> coefficients{}; // idBase + 500 .. 900 + r

    // The eight controls in Tab order.
    std::vector<QWidget*> Cells() const;
};

using FilterGrid = std::array<FilterGridRow, kChannelCount>;

// Builds the column headers (idBase + 0 .. 6) and every row on `parent` at the fixed layout (rows
// 30 pixels apart from y = 40), each control named by its identifier, the grid's controls with
// accessible names "No.<n> SET", "No.<n> <display>", "No.<n> a2" .. "No.<n> b1" and the unit list
// with the accessible description "No.<n> <display> unit". The controls belong to `parent`.
FilterGrid BuildFilterGrid(QWidget* parent, const FilterGridNames& names);

// y of the grid's row r (0 .. 15).
constexpr int FilterRowY(int row) {
    return 40 + 30 * row;
}

} // namespace va48
