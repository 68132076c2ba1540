#include "editor/input_page.h"

#include "app/messages.h"
#include "app/window_message.h"

namespace va48 {

namespace {

constexpr QSize kPageSize(410, 516);

} // namespace

InputPage::InputPage(QWidget* parent) : QWidget(parent) {
    setFixedSize(kPageSize);
}

// The connector lists and sensitivity fields are not built yet: there is nothing to type into.
void InputPage::OnCharacter(char16_t) {}

bool InputPage::CheckValues() {
    return true;
}

bool InputPage::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::Type() &&
        static_cast<WindowMessageEvent*>(event)->Message() == UM_RELOAD_VALUES) {
        return true;
    }
    return QWidget::event(event);
}

} // namespace va48
