#pragma once

#include "protocol/device_state.h"

#include <QString>

class QWidget;

namespace va48 {

// The settings window's File menu: the amplifier's setup to and from a setup file, and the setup
// report. Each asks for its file, and shows a box naming the file and the reason when it fails.

// Writes the setup the amplifier reported last (the device copies, not unsent edits) with the
// firmware version if it has been read.
void SaveSetupFile(QWidget* owner, const DeviceState& device);

// Reads a setup file strictly and, when it fits the amplifier, puts it into the edit copies of
// every present channel and their user filters (all or nothing). Returns the file's name when it
// was loaded and differs from the amplifier, so that SEND has something to write; an empty text
// when nothing was loaded (cancelled, refused, or equal to what the amplifier has).
QString LoadSetupFile(QWidget* owner, DeviceState& device);

// Writes the report of the amplifier's setup as a PDF and, beside it, as CSV (the same name
// ending in ".csv"). `loadedSetup` is the name of the setup file loaded last, or empty.
void ExportSetupReport(QWidget* owner, const DeviceState& device, const QString& loadedSetup);

} // namespace va48
