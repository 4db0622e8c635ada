// Mivo-ZIP: the archive manager's main program.
//   Mivo-ZIP [archive.zip]
#include "Forms.h"
#include "ProcessSetup.h"
#include "Prompts.h"
#include "TemporaryFiles.h"
#include "Unzip.h"

#include <QApplication>

int main(int argc, char **argv) {
    SetUpProcess();
    // Before the display connection: Qt ends the program with exit() when it is lost.
    fileio::RemoveTemporariesAtEnd();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mivo-ZIP"));
    QApplication::setOrganizationName(QStringLiteral("Mivo-ZIP"));
    // Ties the window to the installed desktop entry (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("fr.mivo.MivoZIP"));
    InstallQtFrenchTranslation();

    Forms::Startup &startup = Forms::startup();
    startup.appFolder = QCoreApplication::applicationDirPath();
    QStringList words = QCoreApplication::arguments();
    words.removeFirst();
    startup.commandLine = words.join(QLatin1Char(' '));

    Unzip &window = Forms::Unzip();
    window.show();
    const int status = QApplication::exec();
    Forms::UnloadAll();
    return status;
}
