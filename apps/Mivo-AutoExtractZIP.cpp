// Mivo-AutoExtractZIP: the head of every self-extracting program. It reads the header appended
// to its own file, proposes a folder and unpacks the archive there. It takes no arguments.
#include "Form1.h"
#include "ProcessSetup.h"
#include "Prompts.h"
#include "TemporaryFiles.h"

#include <QApplication>

int main(int argc, char **argv) {
    SetUpProcess();
    // Before the display connection: Qt ends the program with exit() when it is lost.
    fileio::RemoveTemporariesAtEnd();
    QApplication app(argc, argv);
    InstallQtFrenchTranslation();

    int status = 0;
    bool ended = false;
    Form1 window(QCoreApplication::applicationFilePath(), [&](int s) {
        status = s;
        ended = true;
        QCoreApplication::exit(s);
    });
    if (!window.Form_Load() || ended) return status;
    window.show();
    QApplication::exec();
    return status;
}
