#pragma once

#include "monitor/overload_history.h"
#include "protocol/device_state.h"

#include <QWidget>

#include <bitset>
#include <cstdint>
#include <optional>

class QPushButton;
class QTableWidget;

namespace va48 {

// The "Overload history" tool window: per channel, how often the over-range (red) and under-range
// (cyan) conditions began and when each last began, with a Clear button. It reads `history` and
// `device`, which the program owns and keeps alive for as long as the window exists.
class OverloadWindow : public QWidget {
  public:
    // Columns of the table.
    enum Column { kChannelColumn, kOverCount, kOverLast, kUnderCount, kUnderLast, kColumnCount };

    OverloadWindow(QWidget* parent, OverloadHistory& history, const DeviceState& device);

    // Shows the history again when it changed since the last call, or when the channels with a
    // module changed (a new connection). Cheap otherwise: the program calls it after every poll.
    void Refresh();

    QTableWidget* Table() const { return table_; }      // object name "overloadTable"
    QPushButton* ClearButton() const { return clear_; } // object name "overloadClear"

  private:
    void Redraw();

    OverloadHistory& history_;
    const DeviceState& device_;
    QTableWidget* table_ = nullptr;
    QPushButton* clear_ = nullptr;
    std::optional<std::uint64_t> shownRevision_; // empty until the first Redraw
    std::bitset<kChannelCount> shownPresent_;
};

} // namespace va48
