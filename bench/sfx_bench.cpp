// The self-extracting programs' two halves, for bench/sfx_bench.sh to time against unzip:
//   sfx_bench build ARCHIVE OUTPUT    the builder's steps (the stub image beside this program)
//   sfx_bench extract PROGRAM FOLDER  the stub's window, offscreen, extracting into FOLDER
#include "Form1.h"
#include "ProcessSetup.h"
#include "Prompts.h"
#include "SfxBuilder.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <cstring>

namespace {

// Messages go to standard error: the benchmark never waits on a box.
class PrintedPrompts final : public Prompts {
public:
    QString openFileName(QWidget *, const QString &, const QString &) override { return {}; }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override {
        return {};
    }
    QString executableFileName(QWidget *, const QString &) override { return {}; }
    std::optional<QColor> chooseColor(QWidget *, const QColor &) override { return {}; }
    void message(QWidget *, Icon, const QString &title, const QString &text) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        failed = title != QStringLiteral("Terminé");
    }
    bool question(QWidget *, const QString &, const QString &) override { return false; }
    std::optional<QString> password(QWidget *, const QString &, const QString &, bool) override {
        return {};
    }
    bool failed = false;
};

} // namespace

int main(int argc, char **argv) {
    SetUpProcess();
    if (argc != 4) {
        std::fprintf(stderr, "usage: sfx_bench build ARCHIVE OUTPUT | extract PROGRAM FOLDER\n");
        return 2;
    }
    if (std::strcmp(argv[1], "build") == 0) {
        const std::string self = argv[0];
        const std::string folder = self.substr(0, self.rfind('/') + 1);
        const sfx::BuildResult r = sfx::BuildSelfExtractor({folder, argv[2], argv[3], "."}, {});
        if (!r.ok) std::fprintf(stderr, "%s\n", r.error.c_str());
        return r.ok ? 0 : 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto printed = std::make_unique<PrintedPrompts>();
    PrintedPrompts &seen = *printed;
    setPrompts(std::move(printed));
    int status = 0;
    Form1 window(QString::fromLocal8Bit(argv[2]), [&](int s) { status = s; });
    if (!window.Form_Load()) return 1;
    window.findChild<QLineEdit *>(QStringLiteral("Text1"))
        ->setText(QString::fromLocal8Bit(argv[3]));
    window.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    return status != 0 || seen.failed ? 1 : 0;
}
