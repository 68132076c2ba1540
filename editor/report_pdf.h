#pragma once

#include "setup/setup_report.h"

#include <QString>

namespace va48 {

// Prints the setup report (its facts and its channel table) to a PDF file at `path`, A4 landscape.
// False, with `error` set, when the file cannot be written.
bool WriteReportPdf(const QString& path, const AmplifierSetup& setup, const ReportFacts& facts,
                    QString& error);

} // namespace va48
