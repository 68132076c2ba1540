#include "filters/coefficient_dialog.h"

#include "filters/filter_csv.h"
#include "filters/filter_files.h"
#include "resources/text_id.h"
#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/dialog_support.h"
#include "ui/field_adapter.h"
#include "ui/grid_navigation.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>

namespace va48 {

namespace {

constexpr int kButtonY = FilterRowY(kChannelCount - 1) + 34;
constexpr QSize kButtonSize(100, 30);
constexpr QSize kClientSize(1011, kButtonY + kButtonSize.height() + 10);
constexpr int kSendX = 781;
constexpr int kCancelX = 891;
constexpr int kExportX = 99;
constexpr int kImportX = 209;
constexpr int kSendOffset = 51;
constexpr int kCancelOffset = 52;
constexpr int kExportOffset = 53;
constexpr int kImportOffset = 54;
constexpr int kFrequencyColumn = 1;
constexpr int kFirstCoefficientColumn = 3;

constexpr TextId kTitleText = TextId::AppTitle;
constexpr TextId kSendText = TextId::SendButton;
constexpr TextId kCancelText = TextId::CancelButton;
constexpr TextId kLessThanMinimumText = TextId::BelowMinimum;
constexpr TextId kMaximumExceededText = TextId::AboveMaximum;
constexpr TextId kInputValueText = TextId::InputValue;
constexpr TextId kConfirmDisplayText = TextId::ConfirmDisplay;
constexpr TextId kExportText = TextId::ExportButton;
constexpr TextId kImportText = TextId::ImportButton;
constexpr TextId kBadClipboardText = TextId::ClipboardNotCoefficients;
constexpr TextId kNotPossibleText = TextId::CloseRefusedWhileEditing;

constexpr char16_t kCopyKey = 3;   // Ctrl+C
constexpr char16_t kPasteKey = 22; // Ctrl+V

// What tells the two dialogs apart.
struct SideNames {
    int dialogId;
    FilterGridNames grid;
    std::uint32_t sendMessage;
    std::uint32_t closedMessage;
};

constexpr SideNames kHighPassNames{
    217, {7000, TextId::HpfSetHeader, "HPF Display"}, UM_SEND_USER_HPF, UM_HPF_DIALOG_CLOSED};
constexpr SideNames kLowPassNames{
    218, {8000, TextId::LpfSetHeader, "LPF Display"}, UM_SEND_USER_LPF, UM_LPF_DIALOG_CLOSED};

const SideNames& NamesOf(FilterSide side) {
    return side == FilterSide::HighPass ? kHighPassNames : kLowPassNames;
}

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* MakeButton(QWidget* parent, TextId text, int x, int id) {
    QPushButton* button =
        MakePushButton(parent, UiText(text), QRect(QPoint(x, kButtonY), kButtonSize), id);
    // Return in a field must not press SEND.
    button->setAutoDefault(false);
    button->setAccessibleName(button->text());
    return button;
}

} // namespace

CoefficientDialog::CoefficientDialog(FilterSide side, Context context)
    : QDialog(nullptr), side_(side), context_(std::move(context)) {
    // The main window forgets the dialog by its guarded pointer once it is gone.
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QString::number(NamesOf(side_).dialogId));
    setWindowTitle(UiText(kTitleText));
    setFont(DialogFont(9));
    setFixedSize(kClientSize);
    Build();
    FillAll();
    SetWindowIcons(this);
    CentreWhenShown(*this);
}

void CoefficientDialog::Build() {
    const SideNames& names = NamesOf(side_);
    // The grid lies on a panel of its own, so that it can be locked as a whole while a send runs.
    gridArea_ = new QWidget(this);
    gridArea_->setGeometry(0, 0, kClientSize.width(), kButtonY);
    grid_ = BuildFilterGrid(gridArea_, names.grid);

    std::vector<std::vector<QWidget*>> cells;
    for (int r = 0; r < kChannelCount; ++r) {
        const FilterGridRow& row = grid_[static_cast<std::size_t>(r)];
        cells.push_back(row.Cells());
        connect(row.check, &QCheckBox::clicked, this, [this, r](bool on) { OnSwitch(r, on); });
        // activated, not currentIndexChanged: only the user's choice counts, never a refill.
        connect(row.unit, &QComboBox::activated, this, [this, r](int index) { OnUnit(r, index); });
        std::vector<QLineEdit*> fields = {row.frequency};
        fields.insert(fields.end(), row.coefficients.begin(), row.coefficients.end());
        for (QLineEdit* field : fields) {
            field->installEventFilter(this);
            // Without the program's character routing (which hands the keys to event() first)
            // the fields' own keys take the same way.
            RouteTypedCharacters(*field, [this](char16_t code, bool control) {
                SendWindowMessage(this, WM_CHAR_MESSAGE, code, control ? 1 : 0);
            });
            // Text dropped or pasted from the field's menu bypasses the key path: still an edit.
            connect(field, &QLineEdit::textEdited, this, [this, r] {
                Filter(r).sendPending = 1;
                SetEdited(true);
            });
        }
    }
    new GridNavigation(std::move(cells), this);

    send_ = MakeButton(this, kSendText, kSendX, names.grid.idBase + kSendOffset);
    cancel_ = MakeButton(this, kCancelText, kCancelX, names.grid.idBase + kCancelOffset);
    export_ = MakeButton(this, kExportText, kExportX, names.grid.idBase + kExportOffset);
    import_ = MakeButton(this, kImportText, kImportX, names.grid.idBase + kImportOffset);
    connect(send_, &QPushButton::clicked, this, [this] { OnSend(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(export_, &QPushButton::clicked, this,
            [this] { ExportFiltersToFile(this, context_.device, side_); });
    connect(import_, &QPushButton::clicked, this, [this] { OnImport(); });
}

ChannelSettings& CoefficientDialog::Channel(int row) {
    return context_.device.channels.at(static_cast<std::size_t>(row));
}

UserFilter& CoefficientDialog::Filter(int row) {
    return EditFilter(Channel(row), side_);
}

void CoefficientDialog::FillAll() {
    for (int row = 0; row < kChannelCount; ++row) {
        FillRow(row);
    }
    SetEdited(false);
}

void CoefficientDialog::FillRow(int r) {
    const RowView view = ViewOfRow(Channel(r), side_);
    const FilterGridRow& row = grid_[static_cast<std::size_t>(r)];
    {
        const QSignalBlocker quiet(row.check);
        row.check->setChecked(view.checked);
    }
    row.check->setEnabled(view.present);
    row.frequency->setText(Latin1(view.frequency));
    {
        const QSignalBlocker quiet(row.unit);
        row.unit->clear();
        for (const std::string_view unit : view.units) {
            row.unit->addItem(Latin1(unit));
        }
        row.unit->setCurrentIndex(view.unit);
    }
    for (std::size_t i = 0; i < row.coefficients.size(); ++i) {
        row.coefficients[i]->setText(Latin1(view.coefficients[i]));
    }
    for (QWidget* cell : row.Cells()) {
        if (cell != row.check) {
            cell->setEnabled(view.editable);
        }
    }
}

void CoefficientDialog::SetEdited(bool edited) {
    send_->setEnabled(edited);
    cancel_->setEnabled(edited);
}

CoefficientDialog::Cell CoefficientDialog::CellOf(const QObject* control) const {
    for (int r = 0; control && r < kChannelCount; ++r) {
        const std::vector<QWidget*> cells = grid_[static_cast<std::size_t>(r)].Cells();
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (cells[c] == control) {
                return {r, static_cast<int>(c)};
            }
        }
    }
    return {};
}

bool CoefficientDialog::event(QEvent* event) {
    static constexpr std::array<MessageRoute<CoefficientDialog>, 2> kRoutes = {{
        {UM_RELOAD_VALUES, [](CoefficientDialog& d, const WindowMessageEvent&) { d.Reload(); }},
        {WM_CHAR_MESSAGE,
         [](CoefficientDialog& d, const WindowMessageEvent& m) {
             if (const std::optional<char16_t> code = TypedCode(m)) {
                 d.OnCharacter(*code, TypedWithControl(m));
             }
         }},
    }};
    return RouteWindowMessage(event, *this, kRoutes) || QDialog::event(event);
}

void CoefficientDialog::Reload() {
    sending_ = false;
    gridArea_->setEnabled(true);
    export_->setEnabled(true);
    import_->setEnabled(true);
    FillAll();
}

bool CoefficientDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !committing_ && !sending_ &&
        static_cast<QWidget*>(watched)->isEnabled() &&
        LeavesTheField(static_cast<const QFocusEvent&>(*event))) {
        const Cell cell = CellOf(watched);
        if (cell.row >= 0) {
            const QPointer<CoefficientDialog> self(this);
            committing_ = true;
            Commit(cell);
            if (!self) {
                return false; // closed under the commit's box
            }
            committing_ = false;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QLineEdit* CoefficientDialog::FieldOf(Cell cell) const {
    if (cell.row < 0) {
        return nullptr;
    }
    const FilterGridRow& row = grid_[static_cast<std::size_t>(cell.row)];
    if (cell.column == kFrequencyColumn) {
        return row.frequency;
    }
    if (cell.column >= kFirstCoefficientColumn) {
        return row.coefficients[static_cast<std::size_t>(cell.column - kFirstCoefficientColumn)];
    }
    return nullptr;
}

bool CoefficientDialog::Commit(Cell cell) {
    QLineEdit* field = FieldOf(cell);
    if (!field || !ViewOfRow(Channel(cell.row), side_).editable) {
        return true;
    }
    UserFilter& filter = Filter(cell.row);
    const UserFilter before = filter;
    const std::string text = field->text().toLatin1().toStdString();
    EntryCheck check = EntryCheck::Accepted;
    if (cell.column == kFrequencyColumn) {
        check = CommitFrequency(filter, side_, text);
        if (check != EntryCheck::Empty) {
            field->setText(Latin1(FrequencyText(filter)));
        }
    } else {
        std::string shown;
        check = CommitCoefficient(filter, cell.column - kFirstCoefficientColumn, text, shown);
        field->setText(Latin1(shown));
    }
    if (filter != before) {
        SetEdited(true);
    }
    switch (check) {
    case EntryCheck::Accepted:
        return true;
    case EntryCheck::Empty:
        Refuse(field, kInputValueText);
        break;
    case EntryCheck::BelowMinimum:
        Refuse(field, kLessThanMinimumText);
        break;
    case EntryCheck::AboveMaximum:
        Refuse(field, kMaximumExceededText);
        break;
    }
    return false;
}

bool CoefficientDialog::CommitFocused() {
    const Cell cell = CellOf(QApplication::focusWidget());
    if (cell.row < 0) {
        return true;
    }
    const QPointer<CoefficientDialog> self(this);
    committing_ = true;
    const bool committed = Commit(cell);
    if (!self) {
        return false;
    }
    committing_ = false;
    return committed;
}

void CoefficientDialog::Refuse(QWidget* field, TextId text) {
    // The box runs its own event loop, in which the program may close this dialog.
    const QPointer<QWidget> guard(field);
    ShowMessageBox(this, UiText(text), BoxIcon::Exclamation);
    if (guard) {
        guard->setFocus(Qt::OtherFocusReason);
    }
}

void CoefficientDialog::OnSwitch(int row, bool on) {
    SwitchFilter(Filter(row), side_, on);
    FillRow(row);
    SetEdited(true);
}

void CoefficientDialog::OnUnit(int row, int index) {
    if (side_ != FilterSide::LowPass || index < 0) {
        return;
    }
    const UserFilter before = Filter(row);
    ChooseLpfUnit(Filter(row), static_cast<std::uint32_t>(index));
    if (Filter(row) != before) {
        SetEdited(true);
    }
}

void CoefficientDialog::OnCharacter(char16_t code, bool control) {
    // While a send or a read runs the grid is locked; a key typed then is no edit.
    if (!isEnabled() || sending_) {
        return;
    }
    if (control) {
        if (code == kCopyKey) {
            CopyRow();
        } else if (code == kPasteKey) {
            PasteRow();
        }
        return;
    }
    const Cell cell = CellOf(QApplication::focusWidget());
    QLineEdit* field = FieldOf(cell);
    if (!field || !IsPresent(Channel(cell.row).moduleKind) || code == u'\t') {
        return;
    }
    if (cell.column == kFrequencyColumn) {
        DecimalKey(*field, code, kFrequencyDigits, false);
    } else {
        HexKey(*field, code, kCoefficientDigits);
    }
    // Any key that reaches a field counts as an edit, also one its filter refused.
    Filter(cell.row).sendPending = 1;
    SetEdited(true);
}

void CoefficientDialog::OnSend() {
    if (sending_) {
        return;
    }
    if (side_ == FilterSide::LowPass) {
        if (const std::optional<int> channel = FirstLpfOutOfRange(context_.device)) {
            QPointer<QLineEdit> field = grid_[static_cast<std::size_t>(*channel - 1)].frequency;
            ShowMessageBox(this, UiTextFormatted(kConfirmDisplayText, *channel),
                           BoxIcon::Exclamation);
            if (field) {
                field->setFocus(Qt::OtherFocusReason);
            }
            return;
        }
    }
    sending_ = true;
    gridArea_->setEnabled(false);
    export_->setEnabled(false);
    import_->setEnabled(false);
    context_.tellMain(NamesOf(side_).sendMessage);
}

void CoefficientDialog::OnCancel() {
    if (sending_) {
        return;
    }
    RestoreFilters(context_.device, side_);
    FillAll();
    // Disabling the focused CANCEL moves the focus on; make sure it did not end up nowhere.
    if (QWidget* focus = focusWidget(); !focus || !focus->isEnabled()) {
        focusNextChild();
    }
}

void CoefficientDialog::closeEvent(QCloseEvent* event) {
    if (send_->isEnabled() || sending_) {
        event->ignore();
        ShowMessageBox(this, UiText(kNotPossibleText), BoxIcon::Exclamation);
        return;
    }
    event->accept();
    context_.tellMain(NamesOf(side_).closedMessage);
}

void CoefficientDialog::reject() {
    close();
}

void CoefficientDialog::OnImport() {
    // The file dialog and a refusal's box run their own event loops.
    const QPointer<CoefficientDialog> self(this);
    const int changed = ImportFiltersFromFile(this, context_.device, side_);
    if (!self || changed == 0) {
        return;
    }
    for (int row = 0; row < kChannelCount; ++row) {
        FillRow(row);
    }
    SetEdited(true);
}

void CoefficientDialog::CopyRow() {
    const Cell cell = CellOf(QApplication::focusWidget());
    if (cell.row < 0 || !ViewOfRow(Channel(cell.row), side_).editable || !CommitFocused()) {
        return;
    }
    QGuiApplication::clipboard()->setText(Latin1(CoefficientsClipboardText(Filter(cell.row))));
}

void CoefficientDialog::PasteRow() {
    const Cell cell = CellOf(QApplication::focusWidget());
    if (cell.row < 0 || !ViewOfRow(Channel(cell.row), side_).editable || !CommitFocused()) {
        return;
    }
    UserFilter& filter = Filter(cell.row);
    const UserFilter before = filter;
    if (!PasteCoefficients(filter, QGuiApplication::clipboard()->text().toStdString())) {
        ShowMessageBox(this, UiText(kBadClipboardText), BoxIcon::Exclamation);
        return;
    }
    FillRow(cell.row);
    if (filter != before) {
        SetEdited(true);
    }
}

} // namespace va48
