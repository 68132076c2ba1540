#include "ui/page_grid.h"

#include "protocol/value_tables.h"
#include "ui/ui_text.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalBlocker>

namespace va48 {

PageGridControls BuildPageGrid(QWidget* page, std::span<const GridColumn> columns,
                               int rowLabelBase) {
    PageGridControls grid;
    for (const GridColumn& column : columns) {
        QLabel* header = MakeStaticLabel(page, UiText(column.headerText),
                                         QRect(column.x, 0, column.width, kGridHeaderHeight),
                                         column.headerId, Qt::AlignCenter);
        header->setWordWrap(true);
    }
    grid.cells.resize(kGridRows);
    for (int r = 1; r <= kGridRows; ++r) {
        const int y = GridRowY(r);
        auto& row = grid.cells[static_cast<std::size_t>(r - 1)];
        grid.rowLabels[static_cast<std::size_t>(r - 1)] =
            MakeChannelLabel(page, r, QRect(0, y, 60, kGridRowHeight), rowLabelBase + r - 1);
        for (const GridColumn& column : columns) {
            const QRect rect(column.x, y, column.width, kGridRowHeight);
            const int id = column.idBase + r - 1;
            QWidget* cell = nullptr;
            if (column.kind == CellKind::List) {
                cell = MakeDropDownList(page, rect, id);
            } else {
                SpinEdit spin = MakeSpinEdit(page, rect, id, id + 100);
                grid.spins[static_cast<std::size_t>(r - 1)] = spin;
                cell = spin.edit;
            }
            const QString name = QStringLiteral("No.%1 %2").arg(r).arg(column.role);
            cell->setAccessibleName(name);
            if (column.kind == CellKind::List) {
                // A list's accessible name is its current text on some platforms.
                cell->setAccessibleDescription(name);
            }
            row.push_back(cell);
        }
    }
    return grid;
}

void FillList(QComboBox* list, const std::vector<ListItem>& items, std::optional<int> select,
              bool firstWhenMissing) {
    const QSignalBlocker quiet(list);
    list->clear();
    int selected = -1;
    for (const ListItem& item : items) {
        if (select && item.code == *select && selected < 0) {
            selected = list->count();
        }
        list->addItem(item.text, item.code);
    }
    if (selected < 0 && select && firstWhenMissing && list->count() > 0) {
        selected = 0;
    }
    list->setCurrentIndex(selected);
}

void FillNoModuleList(QComboBox* list) {
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItem(
        QString::fromUtf8(kNoValueText.data(), static_cast<qsizetype>(kNoValueText.size())));
    list->setCurrentIndex(0);
    list->setEnabled(false);
}

std::optional<int> ItemCode(const QComboBox* list, int index) {
    if (index < 0 || index >= list->count()) {
        return std::nullopt;
    }
    return list->itemData(index).toInt();
}

bool ShiftHeld() {
    return QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
}

} // namespace va48
