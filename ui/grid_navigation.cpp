#include "ui/grid_navigation.h"

#include <QKeyEvent>

namespace va48 {

GridNavigation::GridNavigation(std::vector<std::vector<QWidget*>> grid, QObject* parent)
    : QObject(parent), grid_(std::move(grid)) {
    for (const auto& row : grid_) {
        for (QWidget* control : row) {
            control->installEventFilter(this);
        }
    }
}

QWidget* GridNavigation::Neighbour(std::size_t row, std::size_t column, bool forward) const {
    std::size_t cells = 0;
    for (const auto& r : grid_) {
        cells += r.size();
    }
    std::size_t r = row;
    std::size_t c = column;
    for (std::size_t step = 0; step < cells; ++step) {
        if (forward) {
            if (++c == grid_[r].size()) {
                c = 0;
                r = (r + 1) % grid_.size();
            }
        } else {
            if (c == 0) {
                r = (r + grid_.size() - 1) % grid_.size();
                c = grid_[r].size();
            }
            --c;
        }
        QWidget* candidate = grid_[r][c];
        if (candidate->isEnabled() && candidate->isVisibleTo(candidate->window())) {
            return candidate;
        }
    }
    return nullptr;
}

bool GridNavigation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
    const bool backward = key->key() == Qt::Key_Backtab ||
                          (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
    if (!forward && !backward) {
        return false;
    }
    for (std::size_t r = 0; r < grid_.size(); ++r) {
        for (std::size_t c = 0; c < grid_[r].size(); ++c) {
            if (grid_[r][c] == watched) {
                if (QWidget* next = Neighbour(r, c, forward)) {
                    next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                }
                return true;
            }
        }
    }
    return false;
}

} // namespace va48
