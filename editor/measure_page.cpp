#include "editor/measure_page.h"

#include "app/messages.h"
#include "app/window_message.h"

namespace va48 {

namespace {

constexpr QSize kPageSize(590, 516);

} // namespace

MeasurePage::MeasurePage(QWidget* parent) : QWidget(parent) {
    setFixedSize(kPageSize);
}

bool MeasurePage::CheckValues() {
    return true;
}

bool MeasurePage::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::Type() &&
        static_cast<WindowMessageEvent*>(event)->Message() == UM_RELOAD_VALUES) {
        return true;
    }
    return QWidget::event(event);
}

} // namespace va48
