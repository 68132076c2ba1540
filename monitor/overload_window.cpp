#include "monitor/overload_window.h"

#include "monitor/event_time.h"
#include "monitor/level_record.h"
#include "ui/ui_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace va48 {

namespace {

constexpr std::array<TextId, OverloadWindow::kColumnCount> kHeaders = {
    TextId::HistoryChannel,    TextId::HistoryOverCount, TextId::HistoryOverLast,
    TextId::HistoryUnderCount, TextId::HistoryUnderLast,
};

// The widest time text a cell shows, so that the columns need not grow as times arrive.
constexpr const char* kWidestTime = "2026-12-31 23:59:59.999";

QString CountText(const LampEvents& events) {
    return QString::number(events.count);
}

QString LastText(const LampEvents& events, WallClock::time_point now) {
    return events.last ? QString::fromStdString(EventTimeText(*events.last, now)) : QString();
}

} // namespace

OverloadWindow::OverloadWindow(QWidget* parent, OverloadHistory& history, const DeviceState& device)
    : QWidget(parent, Qt::Tool), history_(history), device_(device) {
    setWindowTitle(UiText(TextId::OverloadHistoryTitle));
    setFont(DialogFont(9));

    table_ = new QTableWidget(kChannelCount, kColumnCount, this);
    table_->setObjectName(QStringLiteral("overloadTable"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int column = 0; column < kColumnCount; ++column) {
        table_->setHorizontalHeaderItem(column, new QTableWidgetItem(UiText(kHeaders[column])));
    }
    for (int row = 0; row < kChannelCount; ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(column == kChannelColumn ? Qt::AlignLeft | Qt::AlignVCenter
                                                            : Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        }
        table_->item(row, kChannelColumn)->setText(QStringLiteral("No.%1").arg(row + 1));
    }
    table_->item(0, kOverLast)->setText(QString::fromLatin1(kWidestTime));
    table_->resizeColumnsToContents();
    table_->resizeRowsToContents();
    table_->item(0, kOverLast)->setText({});
    // The whole table shows without scrolling.
    const int frame = 2 * table_->frameWidth();
    table_->setFixedSize(table_->horizontalHeader()->length() + frame,
                         table_->horizontalHeader()->height() + table_->verticalHeader()->length() +
                             frame);

    clear_ = new QPushButton(UiText(TextId::HistoryClear), this);
    clear_->setObjectName(QStringLiteral("overloadClear"));
    clear_->setAutoDefault(false);
    connect(clear_, &QPushButton::clicked, this, [this] {
        history_.Clear();
        Refresh();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(clear_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Redraw();
}

void OverloadWindow::Refresh() {
    if (shownRevision_ == history_.Revision() && shownPresent_ == PresentChannels(device_)) {
        return;
    }
    Redraw();
}

void OverloadWindow::Redraw() {
    shownRevision_ = history_.Revision();
    shownPresent_ = PresentChannels(device_);
    const WallClock::time_point now = WallClock::now();
    for (int row = 0; row < kChannelCount; ++row) {
        const int channel = row + 1;
        const bool present = shownPresent_[static_cast<std::size_t>(row)];
        const ChannelOverloads& overloads = history_.Channel(channel);
        table_->item(row, kOverCount)->setText(present ? CountText(overloads.over) : QString());
        table_->item(row, kOverLast)->setText(present ? LastText(overloads.over, now) : QString());
        table_->item(row, kUnderCount)->setText(present ? CountText(overloads.under) : QString());
        table_->item(row, kUnderLast)
            ->setText(present ? LastText(overloads.under, now) : QString());
        // A channel without a module is drawn greyed, as disabled items are.
        const Qt::ItemFlags flags =
            present ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemFlags();
        for (int column = 0; column < kColumnCount; ++column) {
            table_->item(row, column)->setFlags(flags);
        }
    }
}

} // namespace va48
