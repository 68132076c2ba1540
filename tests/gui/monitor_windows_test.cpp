// The windows that watch the levels: the overload history table, the trend plot, and the level
// display's bar meters and overload marks.
#include "app/app_context.h"
#include "editor/level_display.h"
#include "editor/settings_window.h"
#include "monitor/event_time.h"
#include "monitor/level_watch.h"
#include "monitor/overload_history.h"
#include "monitor/overload_window.h"
#include "monitor/trend_window.h"
#include "tests/support/channels.h"
#include "tests/support/gui_support.h"
#include "ui/messages.h"
#include "ui/window_message.h"

#include <QAbstractAxis>
#include <QChart>
#include <QCheckBox>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QValueAxis>
#include <QtTest>

using namespace va48;
using namespace va48::level_setup;
using namespace std::chrono_literals;

namespace {

constexpr auto kPoll = 200ms;

// Channel 1 a sound level (range 110 dB), channel 9 a vibration level in m/s² (its reading's full
// scale 1000), the rest without a module.
void SoundAndVibration() {
    App().device = DeviceState{};
    Channel(1) = Reading(905);
    for (ChannelSetup* setup : {&Channel(1).deviceSetup, &Channel(1).editSetup}) {
        setup->sensitivity = 300; // ranges 90 to 140 dB
        setup->rangeIndex = 2;
    }
    Channel(1).reading.readingRange = 2;
    Channel(9) = Reading(500, 0, 1, 4, 1);
}

// Polls the device into `history` and `trend` with the lamps of channel `channel` set as given.
struct Poller {
    LevelWatch watch;
    OverloadHistory& history = watch.overloads;
    LevelTrend& trend = watch.trend;
    WallClock::time_point now = WallClock::now() - 10min;

    void Poll(int channel = 0, int red = 0, int cyan = 0) {
        if (channel != 0) {
            Channel(channel).reading.lampRed = static_cast<std::uint8_t>(red);
            Channel(channel).reading.lampCyan = static_cast<std::uint8_t>(cyan);
        }
        now += kPoll;
        history.Take(App().device, now);
        trend.Take(App().device, now);
    }
};

QString Cell(const OverloadWindow& window, int channel, int column) {
    return window.Table()->item(channel - 1, column)->text();
}

QValueAxis* ValueAxis(QLineSeries* series) {
    for (QAbstractAxis* axis : series->attachedAxes()) {
        if (auto* values = qobject_cast<QValueAxis*>(axis)) {
            return values;
        }
    }
    return nullptr;
}

qreal Ms(WallClock::time_point at) {
    return static_cast<qreal>(
        std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count());
}

} // namespace

class MonitorWindowsTest : public QObject {
    Q_OBJECT

    TestProgram program_;

  private slots:
    void init() {
        program_.Reset();
        SoundAndVibration();
    }

    // The counting is the history's (its own suite); the window shows it on Refresh, Clear
    // zeroes it, and left open across a new connection to other modules its rows follow them.
    void historyWindowShowsCountsUntilClearedOrANewConnection() {
        Poller poller;
        poller.Poll(9, 1, 0);
        poller.Poll(9, 0, 0);
        poller.Poll(9, 1, 0);
        const WallClock::time_point lastOver = poller.now;
        poller.Poll(1, 0, 1);
        QPointer window = new OverloadWindow(nullptr, poller.history, App().device);
        window->show();
        QCOMPARE(window->windowTitle(), QStringLiteral("Overload history"));
        QCOMPARE(Cell(*window, 9, OverloadWindow::kChannelColumn), QStringLiteral("No.9"));
        QCOMPARE(Cell(*window, 9, OverloadWindow::kOverCount), QStringLiteral("2"));
        QCOMPARE(Cell(*window, 9, OverloadWindow::kOverLast),
                 QString::fromStdString(EventTimeText(lastOver, WallClock::now())));
        QCOMPARE(Cell(*window, 9, OverloadWindow::kUnderCount), QStringLiteral("0"));
        QCOMPARE(Cell(*window, 1, OverloadWindow::kUnderCount), QStringLiteral("1"));
        QVERIFY(!Cell(*window, 1, OverloadWindow::kUnderLast).isEmpty());
        QVERIFY(!(window->Table()->item(4, 0)->flags() & Qt::ItemIsEnabled)); // no module
        QVERIFY(Cell(*window, 5, OverloadWindow::kOverCount).isEmpty());

        poller.Poll(9, 0, 0);
        poller.Poll(9, 1, 0);
        QCOMPARE(Cell(*window, 9, OverloadWindow::kOverCount), QStringLiteral("2"));
        window->Refresh();
        QCOMPARE(Cell(*window, 9, OverloadWindow::kOverCount), QStringLiteral("3"));
        QTest::mouseClick(window->ClearButton(), Qt::LeftButton);
        QCOMPARE(poller.history.Channel(9).over.count, 0u);
        QCOMPARE(Cell(*window, 9, OverloadWindow::kOverCount), QStringLiteral("0"));
        QVERIFY(Cell(*window, 9, OverloadWindow::kOverLast).isEmpty());
        QCOMPARE(Cell(*window, 1, OverloadWindow::kUnderCount), QStringLiteral("0"));

        App().device = DeviceState{};
        Channel(5) = Reading(700);
        poller.history.Reset();
        window->Refresh();
        QVERIFY(!(window->Table()->item(8, 0)->flags() & Qt::ItemIsEnabled));
        QVERIFY(Cell(*window, 9, OverloadWindow::kOverCount).isEmpty());
        QVERIFY(window->Table()->item(4, 0)->flags() & Qt::ItemIsEnabled);
        poller.Poll(5, 1, 0);
        window->Refresh();
        QCOMPARE(Cell(*window, 5, OverloadWindow::kOverCount), QStringLiteral("1"));
        delete window.data();
    }

    void trendPutsUnitsOnTheirOwnAxesAndAppendsNewPolls() {
        Poller poller;
        for (int i = 0; i < 10; ++i) {
            poller.Poll();
        }
        QPointer window = new TrendWindow(nullptr, poller.trend, App().device);
        window->show();
        QVERIFY(window->ChannelBox(1)->isChecked());
        QVERIFY(!window->ChannelBox(2)->isEnabled());
        QVERIFY(!window->ChannelBox(2)->isChecked());

        QLineSeries* sound = window->Series(1);
        QLineSeries* vibration = window->Series(9);
        QVERIFY(sound && vibration);
        QCOMPARE(window->Series(2), nullptr);
        QValueAxis* dB = ValueAxis(sound);
        QValueAxis* acceleration = ValueAxis(vibration);
        QVERIFY(dB && acceleration && dB != acceleration);
        QCOMPARE(dB->titleText(), QStringLiteral("dB"));
        QCOMPARE(acceleration->titleText(), QStringLiteral("m/s²"));
        QVERIFY(dB->alignment() != acceleration->alignment());
        QVERIFY(dB->min() <= 90.5 && dB->max() >= 90.5);
        QCOMPARE(sound->count(), 10);

        Channel(1).reading.value = 1000;
        poller.Poll();
        window->Refresh();
        QCOMPARE(window->Series(1), sound); // appended to, not made anew
        QCOMPARE(sound->count(), 11);
        QCOMPARE(sound->at(10), QPointF(Ms(poller.now), 100.0));
        QVERIFY(dB->max() >= 100.0);

        // Three minutes on, the plot follows: the first polls have left it. Drawn within a
        // second of the last drawing, they wait for its end.
        auto* time = qobject_cast<QDateTimeAxis*>(sound->attachedAxes().constFirst());
        QVERIFY(time);
        for (int i = 0; i < 900; ++i) {
            poller.Poll();
        }
        window->Refresh();
        QCOMPARE(sound->count(), 11);
        QTRY_COMPARE(time->max().toMSecsSinceEpoch(), qint64(Ms(poller.now)));
        QVERIFY(window->Following());
        QVERIFY(sound->count() <= int(TrendWindow::kWindowMs / 200) + 2); // and the one before
        QVERIFY(sound->at(1).x() >= Ms(poller.now) - TrendWindow::kWindowMs);

        // Unchecking a channel takes its line, and the axis of its unit, away.
        window->ChannelBox(9)->click();
        QCOMPARE(window->Series(9), nullptr);
        QCOMPARE(window->Chart()->axes(Qt::Vertical).size(), 1);
        delete window.data();
    }

    // Scrolled back while the polls go on, then the trend is cleared (a new connection): the plot
    // starts over at the newest poll.
    void trendScrolledBackThenCleared() {
        Poller poller;
        for (int i = 0; i < 1500; ++i) { // five minutes
            poller.Poll();
        }
        QPointer window = new TrendWindow(nullptr, poller.trend, App().device);
        window->show();
        QScrollBar* scroll = window->ScrollBar();
        QCOMPARE(scroll->value(), scroll->maximum());

        scroll->setValue(scroll->minimum());
        QVERIFY(!window->Following());
        QLineSeries* sound = window->Series(1);
        const QPointF first = sound->at(0);
        poller.Poll();
        window->Refresh();
        QCOMPARE(sound->at(0), first); // the view stays where the user put it
        QVERIFY(scroll->value() < scroll->maximum());

        poller.trend.Clear();
        Channel(1).reading.value = 800;
        poller.Poll();
        poller.Poll();
        window->Refresh();
        QTRY_VERIFY(window->Following());
        QCOMPARE(window->Series(1)->count(), 2);
        QCOMPARE(window->Series(1)->at(1).y(), 80.0);

        scroll->setValue(scroll->maximum());
        QVERIFY(window->Following());
        delete window.data();
    }

    void levelBarsAndOverloadMarks() {
        Poller poller;
        Channel(9).reading.value = 1200; // past the full scale of 1000
        poller.Poll(9, 1, 0);
        poller.Poll(9, 0, 0);
        poller.Poll(9, 1, 0);
        EditorContext context = App().Editor();
        context.watch = &poller.watch;
        QPointer window = new SettingsWindow(context);
        SendWindowMessage(window, UM_DATA_POLLED);
        QCoreApplication::sendPostedEvents();

        LevelDisplay* levels = window->Levels();
        LevelBar* bar = levels->Bar(9);
        QCOMPARE(bar->Reach(), BarReach(Channel(9)));
        QVERIFY(bar->PastFullScale());
        QCOMPARE(bar->grab().toImage().pixelColor(4, bar->height() / 2), QColor(220, 0, 0));
        QVERIFY(levels->Bar(1)->Reach().has_value());
        QVERIFY(!levels->Bar(1)->PastFullScale());
        QVERIFY(!levels->Bar(2)->Reach().has_value());

        QLabel* marker = levels->OverloadMarker(9);
        QVERIFY(!marker->isHidden());
        QCOMPARE(marker->text(), QStringLiteral("2"));
        QVERIFY(marker->toolTip().contains(
            QString::fromStdString(EventTimeText(poller.now, WallClock::now()))));
        QVERIFY(levels->OverloadMarker(1)->isHidden());

        // While a sequence runs the bar is empty, as the value box is blank.
        App().editor.busy = true;
        QCOMPARE(bar->grab().toImage().pixelColor(4, bar->height() / 2), QColor(Qt::white));
        App().editor.busy = false;

        poller.history.Clear();
        SendWindowMessage(window, UM_DATA_POLLED);
        QCoreApplication::sendPostedEvents();
        QVERIFY(marker->isHidden());
        delete window.data();
    }

    // At 200 ms polls a red lamp is still held one second after its condition ends, then goes out.
    void aLampHeldOverFastPollsGoesOutAfterASecond() {
        EditorContext context = App().Editor();
        QPointer window = new SettingsWindow(context);
        Channel(9).reading.lampRed = 1;
        SendWindowMessage(window, UM_DATA_POLLED);
        QCOMPARE(Channel(9).lamp, kLampRed);
        Channel(9).reading.lampRed = 0;
        for (int poll = 0; poll < 8; ++poll) { // 1.6 s of polls
            SendWindowMessage(window, UM_DATA_POLLED);
            QTest::qWait(static_cast<int>(kPoll.count()));
        }
        QCOMPARE(Channel(9).lamp, kLampNormal);
        delete window.data();
    }
};

QTEST_MAIN(MonitorWindowsTest)
#include "monitor_windows_test.moc"
