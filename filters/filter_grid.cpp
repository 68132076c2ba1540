#include "filters/filter_grid.h"

#include "ui/control_factory.h"
#include "ui/ui_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace va48 {

namespace {

constexpr int kRowHeight = 26;
constexpr int kHeaderHeight = 40;
constexpr int kRowLabelOffset = 100;
constexpr QRect kRowLabel(4, 0, 60, kRowHeight); // y from the row

enum class CellKind { Check, Frequency, Unit, Coefficient };

// A column of the grid: its control, and the header above it (-1: it shares the one before).
struct Column {
    CellKind kind;
    int idOffset; // control of row r: idBase + idOffset + r
    int x;
    int width;
    int header; // header i: identifier idBase + i, string headerTexts + 1 + i
    int headerX;
    int headerWidth;
};

constexpr std::array<Column, 8> kColumns = {{
    {CellKind::Check, 200, 72, 15, 0, 67, 25},
    {CellKind::Frequency, 300, 99, 70, 1, 99, 144},
    {CellKind::Unit, 400, 173, 70, -1, 0, 0},
    {CellKind::Coefficient, 500, 255, 144, 2, 255, 144},
    {CellKind::Coefficient, 600, 403, 144, 3, 403, 144},
    {CellKind::Coefficient, 700, 551, 144, 4, 551, 144},
    {CellKind::Coefficient, 800, 699, 144, 5, 699, 144},
    {CellKind::Coefficient, 900, 847, 144, 6, 847, 144},
}};

// The two blanks the check boxes carry as their text.
const QString kCheckText = QStringLiteral("  ");

} // namespace

std::vector<QWidget*> FilterGridRow::Cells() const {
    std::vector<QWidget*> cells = {check, frequency, unit};
    cells.insert(cells.end(), coefficients.begin(), coefficients.end());
    return cells;
}

namespace {

// The header of column `column` (0 .. 6): both dialogs number their headers consecutively.
TextId HeaderText(const FilterGridNames& names, int column) {
    return static_cast<TextId>(static_cast<int>(names.firstHeader) + column);
}

} // namespace

FilterGrid BuildFilterGrid(QWidget* parent, const FilterGridNames& names) {
    for (const Column& column : kColumns) {
        if (column.header >= 0) {
            QLabel* header =
                MakeStaticLabel(parent, UiText(HeaderText(names, column.header)),
                                QRect(column.headerX, 0, column.headerWidth, kHeaderHeight),
                                names.idBase + column.header, Qt::AlignCenter);
            header->setWordWrap(true);
        }
    }
    FilterGrid grid;
    for (int r = 0; r < kChannelCount; ++r) {
        FilterGridRow& row = grid[static_cast<std::size_t>(r)];
        const int y = FilterRowY(r);
        const QString channel = QStringLiteral("No.%1 ").arg(r + 1);
        row.label = MakeChannelLabel(parent, r + 1, kRowLabel.translated(0, y),
                                     names.idBase + kRowLabelOffset + r);
        std::size_t coefficient = 0;
        for (const Column& column : kColumns) {
            const QRect rect(column.x, y, column.width, kRowHeight);
            const int id = names.idBase + column.idOffset + r;
            switch (column.kind) {
            case CellKind::Check:
                row.check = MakeCheckBox(parent, rect, id);
                row.check->setText(kCheckText);
                row.check->setAccessibleName(channel + UiText(names.firstHeader));
                break;
            case CellKind::Frequency:
                row.frequency = MakeEditBox(parent, rect, id);
                row.frequency->setAccessibleName(channel + QString::fromUtf8(names.display));
                break;
            case CellKind::Unit:
                row.unit = MakeDropDownList(parent, rect, id);
                row.unit->setAccessibleDescription(channel + QString::fromUtf8(names.display) +
                                                   QStringLiteral(" unit"));
                break;
            case CellKind::Coefficient: {
                QLineEdit* field = MakeEditBox(parent, rect, id);
                field->setAccessibleName(channel + UiText(HeaderText(names, column.header)));
                row.coefficients[coefficient++] = field;
                break;
            }
            }
        }
    }
    return grid;
}

} // namespace va48
