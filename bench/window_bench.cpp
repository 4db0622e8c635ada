// The main window's commands, offscreen, for bench/zip_bench.sh to time against the peers:
//   window_bench ARCHIVE                  opening: every row in the view, painted to the last
//   window_bench extract ARCHIVE FOLDER   Extract all into FOLDER (the command alone)
//   window_bench add ARCHIVE LIST         add the files named in LIST (one per line), one
//                                         rewrite, the list refreshed
//   window_bench remove ARCHIVE COUNT     remove the first COUNT entries, the list refreshed
//   window_bench sort ARCHIVE             a click on the "Fichier" header (French order), then
//                                         the other headers and a search, as a user would
// Prints the seconds the step took (the window's start not counted but for opening) and the rows.
#include "EntryCommands.h"
#include "EntryListModel.h"
#include "EntryListView.h"
#include "Forms.h"
#include "ProcessSetup.h"
#include "Unzip.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTreeView>

#include <cstdio>
#include <cstring>

namespace {

int usage() {
    std::fprintf(stderr, "usage: window_bench ARCHIVE | extract ARCHIVE FOLDER | add ARCHIVE "
                         "LIST | remove ARCHIVE COUNT | sort ARCHIVE\n");
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    SetUpProcess();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || argc > 4) return usage();
    const QString command = argc == 2 ? QStringLiteral("open") : QString::fromLocal8Bit(argv[1]);
    Forms::startup().appFolder = QCoreApplication::applicationDirPath();
    Forms::startup().commandLine = QString::fromLocal8Bit(argc == 2 ? argv[1] : argv[2]);
    if ((argc == 3) != (command == QStringLiteral("sort"))) return usage();

    QElapsedTimer timer;
    timer.start();
    Unzip &window = Forms::Unzip();
    window.show();
    auto *view = window.findChild<QTreeView *>(QStringLiteral("ListView1"));
    if (command == QStringLiteral("open")) {
        view->scrollToBottom();
        QCoreApplication::processEvents();
        view->repaint();
    } else if (command == QStringLiteral("sort")) {
        auto *list = static_cast<EntryListView *>(view);
        view->scrollToBottom();
        QCoreApplication::processEvents();
        timer.restart();
        list->headerClicked(0);
        const double byName = timer.nsecsElapsed() / 1e9;
        view->repaint();
        for (int column = 1; column < EntryListModel::kColumns; ++column)
            list->headerClicked(column);
        list->headerClicked(0);
        list->headerClicked(0); // reversed
        window.model()->setFilter(QStringLiteral("é"));
        window.model()->setFilter(QStringLiteral("f1"));
        view->selectAll();
        window.model()->setFilter(QString());
        view->repaint();
        std::printf("%.3f %d\n", byName, view->model()->rowCount());
        Forms::UnloadAll();
        return 0;
    } else {
        EntryCommands commands(
            window.VFunzip1, [] { return std::ref(Forms::VFzip1()); }, window.session());
        bool ok = false;
        commands.failed = [](const QString &text) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
        };
        timer.restart();
        if (command == QStringLiteral("extract")) {
            EntryCommands::Extraction e;
            e.alwaysOverwrite = 1;
            e.folder = QString::fromLocal8Bit(argv[3]);
            ok = commands.extract(e);
        } else if (command == QStringLiteral("add")) {
            QFile list(QString::fromLocal8Bit(argv[3]));
            if (!list.open(QIODevice::ReadOnly)) return usage();
            AddOperation::Request a;
            a.paths = QString::fromLocal8Bit(list.readAll()).split(u'\n', Qt::SkipEmptyParts);
            ok = window.addToArchive(a); // the window's one add, as a drop makes it
        } else if (command == QStringLiteral("remove")) {
            QStringList names;
            const int count = std::atoi(argv[3]);
            for (int r = 0; r < count && r < window.model()->rowCount(); ++r)
                names << window.model()->fullNameAt(r);
            ok = commands.remove(names);
        } else {
            return usage();
        }
        if (!ok) return 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.3f %d\n", seconds, view->model()->rowCount());
    Forms::UnloadAll();
    return 0;
}
