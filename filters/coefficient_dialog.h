#pragma once

#include "filters/filter_grid.h"
#include "filters/filter_rules.h"

#include <QDialog>

#include <cstdint>
#include <functional>

class QLineEdit;
class QPushButton;

namespace va48 {

// Dialogs 217 (HPF) and 218 (LPF): a grid of all 16 channels' user filters of one side, where
// the user switches each on or off and types its display frequency and its five coefficients in
// hexadecimal; SEND (7051 / 8051) asks the main window to write the marked filters and read
// everything back, CANCEL (7052 / 8052) restores what was last read, Export... and Import...
// (7053 / 8053, 7054 / 8054) exchange all rows with a CSV file. The dialog edits the channels'
// edit copies in place and refuses to close while it holds unsent edits.
class CoefficientDialog : public QDialog {
  public:
    // What the dialog needs from the rest of the program. A test supplies its own.
    struct Context {
        // The amplifier's image: the dialog edits its edit copies and reads the rest. It must
        // outlive the dialog.
        DeviceState& device;
        // Tells the main window: UM_SEND_USER_HPF / UM_SEND_USER_LPF for SEND,
        // UM_HPF_DIALOG_CLOSED / UM_LPF_DIALOG_CLOSED once the dialog has closed.
        std::function<void(std::uint32_t message)> tellMain;
    };

    // A new dialog, filled from the edit copies, SEND and CANCEL disabled. It deletes itself when
    // closed.
    CoefficientDialog(FilterSide side, Context context);

    FilterSide Side() const { return side_; }

    // After a read-all (UM_RELOAD_VALUES): fills every row again, disables SEND and CANCEL.
    void Reload();
    // A typed character for the focused field (WM_CHAR_MESSAGE): Ctrl+C and Ctrl+V copy and
    // paste the focused row's coefficients.
    void OnCharacter(char16_t code, bool control);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override; // commits a field it leaves
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape closes as the close box does

  private:
    struct Cell {
        int row = -1;    // 0 .. 15
        int column = -1; // 0 check box, 1 frequency, 2 unit, 3 .. 7 a2 .. b1
    };

    void Build();
    void FillAll();
    void FillRow(int row);
    void SetEdited(bool edited);
    ChannelSettings& Channel(int row);
    UserFilter& Filter(int row);
    Cell CellOf(const QObject* control) const;
    QLineEdit* FieldOf(Cell cell) const; // null for the check box and the unit list

    void OnSwitch(int row, bool on);
    void OnUnit(int row, int index);
    bool Commit(Cell cell); // false: refused, the focus went back to the field
    bool CommitFocused();
    void Refuse(QWidget* field, TextId text);
    void OnSend();
    void OnCancel();
    void OnImport();
    void CopyRow();
    void PasteRow();

    const FilterSide side_;
    Context context_;
    FilterGrid grid_{};
    QWidget* gridArea_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* import_ = nullptr;
    bool committing_ = false;
    // SEND was asked for: until the values are read back nothing can be edited, cancelled or
    // sent again, and the dialog cannot be closed.
    bool sending_ = false;
};

} // namespace va48
