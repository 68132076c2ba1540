#include "editor/user_filter_page.h"

#include "app/messages.h"
#include "app/window_message.h"

namespace va48 {

namespace {

constexpr QSize kPageSize(240, 516);

} // namespace

UserFilterPage::UserFilterPage(QWidget* parent) : QWidget(parent) {
    setFixedSize(kPageSize);
}

bool UserFilterPage::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::Type() &&
        static_cast<WindowMessageEvent*>(event)->Message() == UM_RELOAD_VALUES) {
        return true;
    }
    return QWidget::event(event);
}

} // namespace va48
