#pragma once

#include "protocol/result_code.h"
#include "resources/string_table.h"
#include "resources/text_id.h"

#include <string>
#include <string_view>

namespace va48 {

// The program's own texts for what va48ctl reports, in the language of the environment
// (SetTextLanguage once at start).
void SetTextLanguage(Language language);
Language TextLanguage();

std::string Text(TextId id);

// The message the viewer shows for a failure: the result code's text with "%d" filled in by
// `channel` (the user-filter contradictions); "Error." for a code without a text of its own.
std::string ResultText(ResultCode code, int channel = 0);

// `format` with its first "%d" or "%s" (whichever comes first) replaced by `value`.
std::string FillIn(std::string_view format, std::string_view value);

} // namespace va48
