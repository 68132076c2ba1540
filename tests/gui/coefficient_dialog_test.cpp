// The coefficient dialogs on their own: a device image and a recorder of what they tell the main
// window, driven by real key presses and clicks.
#include "filters/coefficient_dialog.h"
#include "protocol/value_tables.h"
#include "tests/support/gui_support.h"
#include "tests/support/temp_dir.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

using namespace va48;

namespace {

constexpr auto kHpf = FilterSide::HighPass;
constexpr auto kLpf = FilterSide::LowPass;
enum Column { kCheck = 200, kFrequency = 300, kUnit = 400, kA2 = 500, kB1 = 900 };

UserFilter Filter(std::uint8_t enabled, std::uint32_t cutoff, const char* text,
                  std::uint32_t unit = 0) {
    UserFilter filter;
    filter.enabled = enabled;
    filter.cutoff = cutoff;
    SetFrequencyText(filter, text);
    filter.cutoffUnit = unit;
    return filter;
}

const struct CommitCase {
    const char* name;
    FilterSide side;
    UserFilter filter; // channel 1's, as read
    int column;
    const char* typed;
    bool pasted; // put in through the field's own menu, past the key filter
    const char* shown;
    std::int64_t stored; // the frequency, or the coefficient of the column
    std::optional<TextId> box;
} kCommitCases[] = {
    {"12.3", kHpf, Filter(1, 300, "3.00"), kFrequency, "12.3", false, "12.3", 1230, {}},
    {"empty", kHpf, Filter(1, 300, "3.00"), kA2, "", false, "", 0, TextId::InputValue},
    {"13th digit",
     kHpf,
     Filter(1, 300, "3.00"),
     kB1,
     "1234567890abc",
     false,
     "1234567890AB",
     0x1234567890AB,
     {}},
    {"pasted past 48 bits", kHpf, Filter(1, 300, "3.00"), kA2, "1000000000000", true,
     "000000000000", 0, TextId::AboveMaximum},
};

} // namespace

class CoefficientDialogTest : public QObject {
    Q_OBJECT

  private:
    DeviceState device_;
    std::vector<std::uint32_t> told_;
    QPointer<CoefficientDialog> dialog_;
    std::unique_ptr<BoxRecorder> boxes_;

    void SetChannel(int n, std::uint8_t kind, const UserFilter& filter) {
        ChannelSettings& channel = device_.channels[static_cast<std::size_t>(n - 1)];
        channel.moduleKind = kind;
        channel.deviceUserHpf = channel.editUserHpf = filter;
        channel.deviceUserLpf = channel.editUserLpf = filter;
    }
    UserFilter& Edit(int n, FilterSide side) {
        return EditFilter(device_.channels[static_cast<std::size_t>(n - 1)], side);
    }

    bool Open(FilterSide side) {
        boxes_ = std::make_unique<BoxRecorder>();
        dialog_ = new CoefficientDialog(
            side, {device_, [this](std::uint32_t message) { told_.push_back(message); }});
        return ShowActive(dialog_);
    }

    template <typename T = QWidget>
    T* At(int column, int channel) const {
        const int base = dialog_->Side() == kHpf ? 7000 : 8000;
        return FindControl<T>(dialog_, base + column + channel - 1);
    }
    QLineEdit* Field(int column, int channel) const { return At<QLineEdit>(column, channel); }
    QPushButton* Button(int offset) const {
        return FindControl<QPushButton>(dialog_, (dialog_->Side() == kHpf ? 7000 : 8000) + offset);
    }
    QPushButton* Send() const { return Button(51); }

    static void Press(QWidget* control, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        control->setFocus();
        QTest::keyClick(control, key, modifiers);
    }
  private slots:
    void cleanup() {
        delete dialog_.data();
        boxes_.reset();
        device_ = DeviceState{};
        told_.clear();
    }

    void theGridShowsEachChannelAndNamesItsControls() {
        SetChannel(1, kSoundModule, Filter(1, 1500, "1.50", 1));
        Edit(1, kLpf).coef = {0xABC, 0, 0, 0, kCoefficientMax};
        SetChannel(2, kVibrationModule, Filter(0, 300, "3.00"));
        QVERIFY(Open(kLpf));
        QCOMPARE(Field(kFrequency, 1)->text(), QStringLiteral("1.50"));
        QCOMPARE(At<QComboBox>(kUnit, 1)->currentText(), QStringLiteral("kHz"));
        QCOMPARE(Field(kA2, 1)->text(), QStringLiteral("000000000ABC"));
        QCOMPARE(Field(kB1, 1)->text(), QStringLiteral("FFFFFFFFFFFF"));
        for (int n : {2, 3}) {
            QVERIFY(!At<QCheckBox>(kCheck, n)->isChecked());
            QCOMPARE(At<QCheckBox>(kCheck, n)->isEnabled(), n == 2);
            QCOMPARE(Field(kFrequency, n)->text(), QStringLiteral("- - -"));
            QCOMPARE(At<QComboBox>(kUnit, n)->currentText(), QStringLiteral("- - -"));
            QVERIFY(!Field(kA2, n)->isEnabled());
        }
        QCOMPARE(At(kCheck, 3)->accessibleName(), QStringLiteral("No.3 SET"));
        QCOMPARE(At(kFrequency, 3)->accessibleName(), QStringLiteral("No.3 LPF Display"));
        QCOMPARE(At(kUnit, 3)->accessibleDescription(), QStringLiteral("No.3 LPF Display unit"));
        QCOMPARE(At(kB1, 3)->accessibleName(), QStringLiteral("No.3 b1"));
        QVERIFY(!Send()->isEnabled() && !Button(52)->isEnabled());
    }

    void aCommittedFieldFollowsItsRules_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < static_cast<int>(std::size(kCommitCases)); ++i) {
            QTest::newRow(kCommitCases[i].name) << i;
        }
    }

    void aCommittedFieldFollowsItsRules() {
        QFETCH(int, index);
        const CommitCase& c = kCommitCases[index];
        SetChannel(1, kSoundModule, c.filter);
        QVERIFY(Open(c.side));
        QLineEdit* field = Field(c.column, 1);
        if (c.pasted) {
            field->setFocus();
            field->selectAll();
            QGuiApplication::clipboard()->setText(c.typed);
            field->paste();
        } else {
            TypeOver(field, QString::fromLatin1(c.typed));
        }
        QTest::keyClick(field, Qt::Key_Tab);
        QCOMPARE(field->text(), QString::fromLatin1(c.shown));
        const UserFilter& filter = Edit(1, c.side);
        QCOMPARE(c.column == kFrequency
                     ? std::int64_t{filter.cutoff}
                     : filter.coef[static_cast<std::size_t>((c.column - kA2) / 100)],
                 c.stored);
        QCOMPARE(boxes_->Texts(), c.box ? QStringList{UiText(*c.box)} : QStringList{});
        // A refused field keeps the focus; an accepted one lets it go.
        QCOMPARE(QApplication::focusWidget() == field, c.box.has_value());
        QCOMPARE(filter.sendPending, 1u);
        QVERIFY(Send()->isEnabled());
    }

    void switchingOnAndTabbingSkipWhatCannotBeEdited() {
        SetChannel(1, kSoundModule, Filter(0, 0, "0.00"));
        SetChannel(2, kVibrationModule, Filter(0, 1230, "12.3"));
        QVERIFY(Open(kHpf));
        Press(At(kCheck, 1), Qt::Key_Space);
        QCOMPARE(Field(kFrequency, 1)->text(), QStringLiteral("3.00"));
        QCOMPARE(Edit(1, kHpf).cutoff, 300u);
        QVERIFY(Send()->isEnabled());

        // Channel 2 is off: only its check box; channels 3 to 16 are empty: nothing.
        QCOMPARE(TabWalk(9),
                 QStringLiteral("7300 7400 7500 7600 7700 7800 7900 7201 7200").split(' '));
        QCOMPARE(TabWalk(1, Qt::Key_Tab, Qt::ShiftModifier), QStringList{"7201"});
        Press(At(kCheck, 2), Qt::Key_Space);
        QCOMPARE(Field(kFrequency, 2)->text(), QStringLiteral("12.3")); // a stored one is kept
    }

    void closingIsRefusedUntilTheEditsAreCancelled() {
        SetChannel(1, kSoundModule, Filter(1, 300, "3.00"));
        QVERIFY(Open(kHpf));
        TypeOver(Field(kFrequency, 1), QStringLiteral("5"));
        dialog_->close();
        QCOMPARE(boxes_->Texts(), QStringList{UiText(TextId::CloseRefusedWhileEditing)});
        QVERIFY(dialog_->isVisible());
        QTest::mouseClick(Button(52), Qt::LeftButton);
        QCOMPARE(Field(kFrequency, 1)->text(), QStringLiteral("3.00"));
        QCOMPARE(Edit(1, kHpf).sendPending, 0u);
        QVERIFY(!Send()->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(WaitFor([&] { return !dialog_; }));
        QCOMPARE(told_, std::vector<std::uint32_t>{UM_HPF_DIALOG_CLOSED});
    }

    void exportThenImportRoundTripsAndABadFileChangesNothing() {
        for (int n = 1; n <= kChannelCount; ++n) {
            UserFilter filter = Filter(n % 3 ? 1 : 0, 1230, "12.3");
            filter.coef = {n, n * 2, n * 3, kCoefficientMax - n, 0};
            SetChannel(n, n % 2 ? kSoundModule : kVibrationModule, filter);
        }
        QTemporaryDir folder;
        const QString first = folder.filePath("first.csv");
        const QString bad = folder.filePath("bad.csv");
        FileChooser files({first, first, bad});
        QVERIFY(Open(kHpf));
        QTest::mouseClick(Button(53), Qt::LeftButton);
        QCOMPARE(files.requests.at(0).access, FileAccess::Save);

        // Other values, then the file read back: the rows change and are marked.
        for (int n = 1; n <= kChannelCount; ++n) {
            Edit(n, kHpf) = Filter(1, 300, "3.00");
        }
        SendWindowMessage(dialog_, UM_RELOAD_VALUES);
        QTest::mouseClick(Button(54), Qt::LeftButton);
        QCOMPARE(Field(kA2, 4)->text(), QStringLiteral("000000000004"));
        QCOMPARE(Edit(4, kHpf).sendPending, 1u);
        QVERIFY(Send()->isEnabled());

        std::string text = ReadFile(first.toStdString());
        const std::string row4 = "\n4,1,12.3,Hz,000000000004";
        text.replace(text.find(row4), row4.size(), "\n4,1,12.3,Hz,00000000000G");
        WriteFile(bad.toStdString(), text);
        const auto before = device_.channels;
        QTest::mouseClick(Button(54), Qt::LeftButton);
        QCOMPARE(boxes_->Texts(),
                 QStringList{QStringLiteral("Nothing was imported.\nLine 5, field a2: %1")
                                 .arg(UiText(TextId::ImportHexExpected))});
        QVERIFY(device_.channels == before);
    }

    void controlCAndControlVCopyARowsCoefficients() {
        UserFilter filter = Filter(1, 300, "3.00");
        filter.coef = {1, 2, 3, 4, 0xABC};
        SetChannel(1, kSoundModule, filter);
        SetChannel(2, kSoundModule, Filter(1, 300, "3.00"));
        QVERIFY(Open(kHpf));
        Press(Field(kB1, 1), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("000000000001\t000000000002\t000000000003\t000000000004\t"
                                "000000000ABC"));
        Press(Field(kA2, 2), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Field(kB1, 2)->text(), QStringLiteral("000000000ABC"));
        QCOMPARE(Edit(2, kHpf).coef, filter.coef);
        QVERIFY(Send()->isEnabled());

        QGuiApplication::clipboard()->setText(QStringLiteral("1\t2\t3"));
        Press(Field(kA2, 1), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(boxes_->Texts(), QStringList{UiText(TextId::ClipboardNotCoefficients)});
        QCOMPARE(Edit(1, kHpf).coef, filter.coef);
    }
};

QTEST_MAIN(CoefficientDialogTest)
#include "coefficient_dialog_test.moc"
