// Time for the main window to open an archive given on its command line, until every row is
// in the view and the view has been painted down to the last row.
//   window_bench ARCHIVE     prints the seconds
#include "Forms.h"
#include "ProcessSetup.h"
#include "Unzip.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>

#include <cstdio>

int main(int argc, char **argv) {
    zipcomponent::SetUpProcess();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_bench ARCHIVE\n");
        return 2;
    }
    Forms::startup().appFolder = QCoreApplication::applicationDirPath();
    Forms::startup().commandLine = QString::fromLocal8Bit(argv[1]);

    QElapsedTimer timer;
    timer.start();
    Unzip &window = Forms::Unzip();
    window.show();
    auto *view = window.findChild<QTreeView *>(QStringLiteral("ListView1"));
    view->scrollToBottom();
    QCoreApplication::processEvents();
    view->repaint();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.3f %d\n", seconds, view->model()->rowCount());
    Forms::UnloadAll();
    return 0;
}
