#include "ui/file_commands.h"

#include "ui/ui_text.h"

#include <QSaveFile>

namespace va48 {

QString FileDialogCaption(TextId text) {
    QString caption = UiText(text);
    caption.remove(QLatin1Char('&'));
    while (caption.endsWith(QLatin1Char('.'))) {
        caption.chop(1);
    }
    return caption;
}

void ShowFileFailure(QWidget* owner, TextId text, const QString& path, const QString& reason,
                     BoxIcon icon) {
    ShowMessageBox(owner,
                   UiText(text).replace(QLatin1String("%s"), path + QStringLiteral(": ") + reason),
                   icon);
}

bool WriteWholeFile(const QString& path, std::string_view text, QString& error) {
    QSaveFile file(path);
    const auto size = static_cast<qint64>(text.size());
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), size) != size ||
        !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace va48
