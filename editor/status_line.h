#pragma once

#include "resources/text_id.h"

#include <QStatusBar>

#include <cstdint>
#include <string_view>

class QLabel;

namespace va48 {

// The line under the settings window: the link ("LAN 192.168.1.100:10001", "USB /dev/ttyACM0"),
// the amplifier's firmware version once it has been read, and what the window is doing.
class StatusLine : public QStatusBar {
  public:
    explicit StatusLine(QWidget* parent);

    // `firmware` empty: not read yet, and the part stays empty. `state` is one of
    // StatusReading, StatusReady, StatusSending.
    void Show(const QString& link, std::string_view firmware, TextId state);

    // The recording indicator: "Recording levels.csv: 42 lines" in red, or hidden for an empty
    // `file`.
    void ShowRecording(const QString& file, std::uint64_t lines);

    QString LinkText() const;
    QString FirmwareText() const;
    QString StateText() const;
    QString RecordingText() const; // empty while not recording

  private:
    QLabel* link_ = nullptr;
    QLabel* firmware_ = nullptr;
    QLabel* state_ = nullptr;
    QLabel* recording_ = nullptr;
};

} // namespace va48
