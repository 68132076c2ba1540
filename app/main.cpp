#include "app/application.h"
#include "app/quit_on_signal.h"
#include "shell/settings_file.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    int result = 0;
    {
        va48::Application program(va48::AppPaths::ForExecutable(va48::ExecutablePath()),
                                  va48::SystemLanguage());
        va48::QuitOnTerminationSignals();
        result = QApplication::exec();
    }
    return result;
}
