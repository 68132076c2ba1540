#pragma once

#include <QFrame>

#include <array>
#include <cstdint>

class QLineEdit;

namespace va48 {

// An IPv4 address entry: four parts of 0..255 with dots between, looking like one edit field.
// Parts take digits only (at most three; more than 255 becomes 255). A part that is full moves on
// to the next; '.' or a blank after some digits moves on too, Backspace at a part's start and the
// arrow keys at its ends move between parts. Tab enters the field at its first part and leaves it
// from any part. When the focus leaves the field its address is written back, so an empty part
// shows 0.
class IpAddressField : public QFrame {
  public:
    explicit IpAddressField(QWidget* parent);

    void SetAddress(const std::array<std::uint8_t, 4>& address);

    // The four parts in written order; an empty part reads 0.
    std::array<std::uint8_t, 4> Address() const;

    // The edit of byte 0..3, for automation.
    QLineEdit* Part(int index) const { return parts_[static_cast<std::size_t>(index)]; }

    // Names the field and its parts for screen readers ("IP Address", "IP Address 1", ...).
    void SetAccessibleName(const QString& name);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int IndexOf(const QObject* part) const;
    bool OnPartKey(int index, int key, const QString& text);
    void OnPartEdited(int index);

    std::array<QLineEdit*, 4> parts_{};
};

} // namespace va48
