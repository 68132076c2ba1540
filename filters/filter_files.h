#pragma once

#include "filters/filter_rules.h"

class QWidget;

namespace va48 {

// The coefficient dialogs' Export... and Import...: a file dialog, the CSV file (filter_csv) and a
// message box for every failure, all owned by `owner`.

// Asks for a file and writes every row of `side` into it, whole or not at all (a failed write
// leaves an earlier file as it was).
void ExportFiltersToFile(QWidget* owner, const DeviceState& device, FilterSide side);

// Asks for a file of at most 64 KiB and reads it into the edit copies of `side`. A file that cannot
// be read or is refused changes nothing; its message names the file, or the line and field.
// Returns how many rows changed (and were marked for sending); 0 also when the user cancelled.
int ImportFiltersFromFile(QWidget* owner, DeviceState& device, FilterSide side);

} // namespace va48
