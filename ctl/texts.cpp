#include "ctl/texts.h"

#include <algorithm>

namespace va48 {

namespace {

Language& CurrentLanguage() {
    static Language language = Language::English;
    return language;
}

} // namespace

void SetTextLanguage(Language language) {
    CurrentLanguage() = language;
}

Language TextLanguage() {
    return CurrentLanguage();
}

std::string Text(TextId id) {
    return std::string(LoadString(CurrentLanguage(), static_cast<std::uint16_t>(id)));
}

std::string ResultText(ResultCode code, int channel) {
    std::string text(LoadString(CurrentLanguage(), ResultMessage(code)));
    if (text.empty()) {
        return Text(TextId::OtherError);
    }
    return FillIn(text, std::to_string(channel));
}

std::string FillIn(std::string_view format, std::string_view value) {
    const std::size_t at = std::min(format.find("%d"), format.find("%s"));
    if (at == std::string_view::npos) {
        return std::string(format);
    }
    return std::string(format.substr(0, at)) + std::string(value) +
           std::string(format.substr(at + 2));
}

} // namespace va48
