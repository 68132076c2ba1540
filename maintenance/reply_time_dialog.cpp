#include "maintenance/reply_time_dialog.h"

#include "shell/link_settings_file.h"
#include "ui/control_factory.h"
#include "ui/dialog_support.h"
#include "ui/field_adapter.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

namespace va48 {

namespace {

struct ReplyTimeTexts {
    const char* caption;
    const char* testTimes;
    const char* result;
    const char* tested;
    const char* current;
    const char* minimum;
    const char* maximum;
    const char* average;
    const char* times;
    const char* milliseconds;
    const char* start;
    const char* stop;
    const char* close;
};

constexpr ReplyTimeTexts kEnglishTexts{
    "Reply time", "Test Times：", "Result", "Tested：", "Current：", "Min：", "Max：",
    "Average：",  "Times",        "ms",     "Start",    "Stop",      "Close",
};
constexpr ReplyTimeTexts kJapaneseTexts{
    "応答時間", "テスト回数：", "結果表示", "試行回数：", "今回：", "最小：", "最大：",
    "平均：",   "回",           "ms",       "Start",      "Stop",   "Close",
};

const ReplyTimeTexts& Texts() {
    return UiLanguage() == Language::Japanese ? kJapaneseTexts : kEnglishTexts;
}

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

constexpr int kCountId = 1038;
constexpr int kTestedId = 1039;
constexpr int kMinimumId = 1040;
constexpr int kMaximumId = 1041;
constexpr int kMeanId = 1042;
constexpr int kCurrentId = 1043;
constexpr int kStartStopId = 1037;
constexpr int kCloseId = 1036;

constexpr int kInitialCount = 10;
constexpr std::uint16_t kCountDigits = 4;
constexpr qsizetype kCountReadChars = 31;

std::uint32_t SteadyMilliseconds() {
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    // Cut to 32 bits on purpose: elapsed times are taken modulo 2^32.
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

ReplyTimeDialog::Hooks WithDefaults(ReplyTimeDialog::Hooks hooks) {
    if (!hooks.now) {
        hooks.now = SteadyMilliseconds;
    }
    if (!hooks.requestRoundTrip) {
        hooks.requestRoundTrip = [] {};
    }
    if (!hooks.disconnect) {
        hooks.disconnect = [] {};
    }
    return hooks;
}

// Adds "label [field] unit" as the grid's next row.
QLineEdit* AddField(QGridLayout& grid, QWidget* parent, const char* label, int id,
                    const char* unit) {
    auto* caption = new QLabel(Text(label), parent);
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::number(id));
    field->setAccessibleName(caption->text());
    field->setFixedWidth(DialogUnitsX(50));
    caption->setBuddy(field);
    // An empty grid reports one row.
    const int row = grid.isEmpty() ? 0 : grid.rowCount();
    grid.addWidget(caption, row, 0);
    grid.addWidget(field, row, 1);
    if (unit) {
        grid.addWidget(new QLabel(Text(unit), parent), row, 2);
    }
    return field;
}

QLineEdit* AddResultField(QGridLayout& grid, QWidget* parent, const char* label, int id,
                          const char* unit) {
    QLineEdit* field = AddField(grid, parent, label, id, unit);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return field;
}

// Enter in the count field presses neither Start nor Close.
QPushButton* MakeButton(QWidget* parent, const char* text, int id) {
    QPushButton* button = MakeDialogButton(parent, Text(text), id);
    button->setAutoDefault(false);
    return button;
}

} // namespace

ReplyTimeDialog::ReplyTimeDialog(Hooks hooks) : QDialog(nullptr), hooks_(WithDefaults(hooks)) {
    const ReplyTimeTexts& texts = Texts();
    // The main window forgets the dialog by its guarded pointer once it is gone.
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("147"));
    setWindowTitle(Text(texts.caption));
    setFont(DialogFont(8));

    auto* countGrid = new QGridLayout;
    count_ = AddField(*countGrid, this, texts.testTimes, kCountId, nullptr);
    count_->setText(QString::number(kInitialCount));
    // Without the program's character routing (which hands the keys to event() first) the
    // field's own keys take the same way.
    RouteTypedCharacters(*count_, [this](char16_t code, bool control) {
        SendWindowMessage(this, WM_CHAR_MESSAGE, code, control ? 1 : 0);
    });
    startStop_ = MakeButton(this, texts.start, kStartStopId);
    countGrid->setColumnStretch(2, 1);
    countGrid->addWidget(startStop_, 0, 3);

    auto* results = new QGroupBox(Text(texts.result), this);
    auto* resultGrid = new QGridLayout(results);
    tested_ = AddResultField(*resultGrid, results, texts.tested, kTestedId, texts.times);
    current_ = AddResultField(*resultGrid, results, texts.current, kCurrentId, texts.milliseconds);
    minimum_ = AddResultField(*resultGrid, results, texts.minimum, kMinimumId, texts.milliseconds);
    maximum_ = AddResultField(*resultGrid, results, texts.maximum, kMaximumId, texts.milliseconds);
    mean_ = AddResultField(*resultGrid, results, texts.average, kMeanId, texts.milliseconds);
    resultGrid->setColumnStretch(3, 1);

    close_ = MakeButton(this, texts.close, kCloseId);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(countGrid);
    layout->addWidget(results);
    layout->addLayout(ButtonRow({close_}));

    connect(startStop_, &QPushButton::clicked, this, [this] { OnStartStop(); });
    connect(close_, &QPushButton::clicked, this, [this] { close(); });

    SetWindowIcons(this);
    CentreWhenShown(*this);
}

bool ReplyTimeDialog::event(QEvent* event) {
    static constexpr std::array<MessageRoute<ReplyTimeDialog>, 3> kRoutes = {{
        {UM_REPLY_TEST_DONE,
         [](ReplyTimeDialog& d, const WindowMessageEvent&) { d.OnRoundTripDone(); }},
        {UM_REPLY_TEST_FAILED,
         [](ReplyTimeDialog& d, const WindowMessageEvent&) { d.OnRoundTripFailed(); }},
        {WM_CHAR_MESSAGE,
         [](ReplyTimeDialog& d, const WindowMessageEvent& m) { d.OnCharacter(m.WParam()); }},
    }};
    return RouteWindowMessage(event, *this, kRoutes) || QDialog::event(event);
}

void ReplyTimeDialog::OnRoundTripFailed() {
    if (std::exchange(roundTripPending_, false)) {
        ShowIdle();
    }
}

void ReplyTimeDialog::closeEvent(QCloseEvent* event) {
    // Not QDialog's: it would go round through reject().
    if (const auto disconnect = std::exchange(hooks_.disconnect, nullptr)) {
        disconnect();
    }
    event->accept();
}

void ReplyTimeDialog::reject() {
    // Escape stands for Close, which is disabled while a test runs.
    if (close_->isEnabled()) {
        close();
    }
}

void ReplyTimeDialog::OnStartStop() {
    if (!running_) {
        Start();
        return;
    }
    // The round trip under way still completes; its answer ends the test.
    running_ = false;
    startStop_->setEnabled(false);
}

void ReplyTimeDialog::Start() {
    startStop_->setText(Text(Texts().stop));
    count_->setEnabled(false);
    close_->setEnabled(false);
    // Results of an earlier test would read as this one's if its first round trip failed.
    for (QLineEdit* field : {tested_, current_, minimum_, maximum_, mean_}) {
        field->clear();
    }
    testedCount_ = 0;
    running_ = true;
    maximumMs_ = 0;
    minimumMs_ = std::numeric_limits<std::uint32_t>::max();
    meanMs_ = 0;
    target_ = ParseSettingNumber(count_->text().left(kCountReadChars).toLatin1().toStdString());
    RequestRoundTrip();
}

void ReplyTimeDialog::OnRoundTripDone() {
    if (!std::exchange(roundTripPending_, false)) {
        return; // an answer to nothing this dialog asked
    }
    const auto elapsed = static_cast<std::uint32_t>(hooks_.now() - startedAt_);
    minimumMs_ = std::min(minimumMs_, elapsed);
    maximumMs_ = std::max(maximumMs_, elapsed);
    meanMs_ = (meanMs_ * testedCount_ + elapsed) / (testedCount_ + 1.0);
    ++testedCount_;
    tested_->setText(QString::number(testedCount_));
    current_->setText(QString::number(elapsed));
    minimum_->setText(QString::number(minimumMs_));
    maximum_->setText(QString::number(maximumMs_));
    mean_->setText(QString::asprintf("%f", meanMs_));
    // Compared signed and wide: a target of 0 or less still has had its one round trip.
    if (running_ && std::int64_t{testedCount_} < std::int64_t{target_}) {
        RequestRoundTrip();
    } else {
        ShowIdle();
    }
}

void ReplyTimeDialog::ShowIdle() {
    startStop_->setText(Text(Texts().start));
    startStop_->setEnabled(true);
    count_->setEnabled(true);
    close_->setEnabled(true);
    running_ = false;
}

void ReplyTimeDialog::RequestRoundTrip() {
    startedAt_ = hooks_.now();
    roundTripPending_ = true;
    hooks_.requestRoundTrip();
}

bool ReplyTimeDialog::OnCharacter(std::uintptr_t code) {
    if (!count_->hasFocus()) {
        return false;
    }
    // A code beyond 16 bits is no key the filter knows; 0 is refused like any other.
    const auto key = code <= 0xFFFF ? static_cast<char16_t>(code) : u'\0';
    DecimalKey(*count_, key, kCountDigits, false);
    return true;
}

} // namespace va48
