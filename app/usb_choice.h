#pragma once

class QWidget;

namespace va48 {

class AppContext;

// Before a USB connect: when several amplifiers match the hardware-ID pattern and none of them is
// the one chosen before (by serial number), asks which to use, listing each one's device node and
// serial number, and keeps the answer in the settings file so that the amplifier is found again
// on any port. Returns false when the user cancelled; true otherwise (also with one amplifier or
// none, which the connect then reports).
bool ChooseUsbAmplifier(QWidget* owner, AppContext& app);

} // namespace va48
