#include "app/connection_menu.h"

#include "app/app_context.h"
#include "app/help_menu.h"
#include "app/version_dialog.h"
#include "maintenance/timeout_dialog.h"
#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace va48 {

namespace {

constexpr int kDialogId = 210;
constexpr int kProductNameId = 1010;
constexpr int kFontPoints = 10;
constexpr int kProductNamePoints = 14;
constexpr int kSmallestButtonPoints = 7;

constexpr std::uintptr_t kUsbLink = 1;
constexpr std::uintptr_t kLanLink = 2;

void RunTimeoutDialog(QWidget* owner) {
    TimeoutDialog dialog(App().link, App().settingsFile, owner);
    RunModal(dialog);
}

// Ends the program: the message loop returns 0.
void EndProgram() {
    QCoreApplication::exit(0);
}

struct ButtonRow {
    int id;
    std::optional<TextId> text; // none: the button keeps the template's text
    const char* templateText;
    int y; // dialog units; every button stands at x 35 and is 71 x 18
    void (*action)(QWidget* menu);
};

constexpr std::array<ButtonRow, 5> kButtons = {{
    {1011, TextId::MenuUsb, "USB", 45, [](QWidget*) { PostToMain(UM_CONNECT_REQUEST, kUsbLink); }},
    {1012, TextId::MenuLan, "LAN", 72, [](QWidget*) { PostToMain(UM_CONNECT_REQUEST, kLanLink); }},
    {1013, TextId::MenuLanSetting, "LAN Setting", 99,
     [](QWidget*) { PostToMain(UM_LAN_SETTING_REQUEST); }},
    {1015, std::nullopt, "TIMEOUT Setting", 126, RunTimeoutDialog},
    {1014, TextId::MenuEnd, "END", 153,
     [](QWidget* menu) {
         menu->hide();
         EndProgram();
     }},
}};

// The face standing in for the dialog font may run wider than the one the layout was drawn
// for. The buttons then share the largest size at which every text fits, so that none is cut.
void FitButtonTexts(const std::vector<QPushButton*>& buttons, QFont font) {
    const auto fits = [&buttons] {
        return std::ranges::all_of(
            buttons, [](const QPushButton* b) { return b->sizeHint().width() <= b->width(); });
    };
    while (!fits() && font.pointSize() > kSmallestButtonPoints) {
        font.setPointSize(font.pointSize() - 1);
        for (QPushButton* button : buttons) {
            button->setFont(font);
        }
    }
}

} // namespace

ConnectionMenu::ConnectionMenu() : QDialog(nullptr) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(UiText(TextId::AppTitle));
    setFont(DialogFont(kFontPoints));
    SetWindowIcons(this);

    auto* menuBar = new QMenuBar(this);
    AddHelpMenu(*menuBar, *this, App().version);
    const int menuHeight = menuBar->isNativeMenuBar() ? 0 : menuBar->sizeHint().height();

    // The template's rectangles are the client area below the menu bar.
    auto* client = new QWidget(this);
    const QRect area = DialogRect(0, 0, 143, 178);
    client->setGeometry(area.translated(0, menuHeight));
    menuBar->setGeometry(0, 0, area.width(), menuHeight);
    setFixedSize(area.width(), area.height() + menuHeight);

    QLabel* name = MakeStaticLabel(client, QString::fromStdString(App().version.productName),
                                   DialogRect(7, 16, 129, 19), kProductNameId, Qt::AlignCenter);
    QFont nameFont = DialogFont(kProductNamePoints);
    nameFont.setBold(true);
    name->setFont(nameFont);

    std::vector<QPushButton*> buttons;
    for (const ButtonRow& row : kButtons) {
        const QString text = row.text ? UiText(*row.text) : QString::fromLatin1(row.templateText);
        QPushButton* button = MakePushButton(client, text, DialogRect(35, row.y, 71, 18), row.id);
        button->setAccessibleName(text);
        connect(button, &QPushButton::clicked, this, [this, action = row.action] { action(this); });
        buttons.push_back(button);
    }
    FitButtonTexts(buttons, font());

    CentreWindow(this);
}

bool ConnectionMenu::event(QEvent* event) {
    static constexpr std::array<MessageRoute<ConnectionMenu>, 1> kRoutes = {{
        {WM_CHAR_MESSAGE,
         [](ConnectionMenu& menu, const WindowMessageEvent& m) {
             if (const std::optional<char16_t> code = TypedCode(m)) {
                 menu.OnCharacter(*code, TypedWithControl(m));
             }
         }},
    }};
    if (RouteWindowMessage(event, *this, kRoutes)) {
        return true;
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Escape would end a dialog; this one is the program's home and stays.
        return true;
    }
    return QDialog::event(event);
}

// Every character other than the two shortcuts is taken and dropped.
void ConnectionMenu::OnCharacter(char16_t code, bool control) {
    if (control && code == kCtrlU) {
        PostToMain(UM_UPDATE_CONNECT_REQUEST);
    } else if (control && code == kCtrlT) {
        PostToMain(UM_REPLY_TEST_CONNECT_REQUEST);
    }
}

void ConnectionMenu::closeEvent(QCloseEvent* event) {
    // While a sequence runs the menu is disabled, and its close box with it.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    EndProgram();
}

} // namespace va48
