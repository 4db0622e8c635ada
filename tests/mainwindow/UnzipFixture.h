// The main window started offscreen by the registry, with a program folder of its own and
// prompts answered from a script, and helpers to read what it shows.
#pragma once

#include "Forms.h"
#include "LongWork.h"
#include "Module1.h"
#include "ScriptedPrompts.h"
#include "Unzip.h"
#include "VFzip.h"
#include "ZipTestUtil.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using ziptest::ReadFile;
using ziptest::WriteFile;

// Noon of a local day, as `zip` stores it (a date whose day is not its month).
inline std::time_t LocalNoon(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// An environment variable set for one test, restored afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const std::string &value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), saved_(qgetenv(name)) {
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~ScopedEnv() { had_ ? qputenv(name_, saved_) : qunsetenv(name_); }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *name_;
    bool had_;
    QByteArray saved_;
};

class UnzipFixture : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        // The temporary folder (rows dragged out) and the cache folder (opened entries) are
        // this test's own.
        std::filesystem::create_directories(path("tmp"));
        tmpdir_.emplace("TMPDIR", path("tmp"));
        cache_.emplace("XDG_CACHE_HOME", path("cache"));
        Module1::Shared() = Module1::SharedState{};
        Forms::startup() = {QString::fromStdString(root.string()), QString(), [this] { ++ended; }};
        prompts = &InstallScriptedPrompts();
    }
    void TearDown() override {
        stopper_.reset();
        LongWork::setPace(50, 1000);
        Forms::UnloadAll();
        cache_.reset();
        tmpdir_.reset();
        TempDirTest::TearDown();
    }

    // Presses `button` of the next modal window as soon as it shows; its title goes to
    // shownTitle.
    void pressInNextDialog(const char *button) {
        QTimer::singleShot(0, [this, button] {
            QWidget *modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            shownTitle = modal->windowTitle();
            modal->findChild<QPushButton *>(QString::fromLatin1(button))->click();
        });
    }
    // Makes long work show its window at once and presses its "Annuler" as soon as it shows
    // (longWorkStopped tells it did). With `closeAfterStop`, a dialog the stop left open is
    // then dismissed.
    void stopLongWork(bool closeAfterStop = false) {
        LongWork::setPace(0, 0);
        stopper_ = std::make_unique<QTimer>();
        QObject::connect(stopper_.get(), &QTimer::timeout, [this, closeAfterStop] {
            QWidget *w = QApplication::activeModalWidget();
            if (!w) return;
            auto *cancel = w->findChild<QPushButton *>(QStringLiteral("LongWorkCancel"));
            if (cancel && cancel->isVisible()) {
                cancel->click();
                longWorkStopped = true;
            } else if (!cancel && longWorkStopped && closeAfterStop) {
                if (auto *dialog = qobject_cast<QDialog *>(w)) dialog->reject();
            }
        });
        stopper_->start(0);
    }

    Unzip &start(const QString &commandLine = {}) {
        Forms::startup().commandLine = commandLine;
        Unzip &w = Forms::Unzip();
        w.show();
        return w;
    }
    template <typename T = QAction> T *child(const char *name) {
        T *found = Forms::Unzip().findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    bool enabled(const char *name) { return child(name)->isEnabled(); }
    void trigger(const char *name) { child(name)->trigger(); }
    QString panel(int i) {
        return child<QLabel>(("StatusBar1_Panel" + std::to_string(i)).c_str())->text();
    }
    QTreeView *list() { return child<QTreeView>("ListView1"); }
    // Rows as the view shows them, top to bottom: "Fichier|Date|Taille|Taux|Compression|Chemin".
    std::vector<QString> rows() {
        std::vector<QString> out;
        QAbstractItemModel *m = list()->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 6; ++c)
                cells << m->index(r, c).data().toString();
            out.push_back(cells.join(u'|'));
        }
        return out;
    }
    // The menu entries and buttons of the states table, in its order.
    std::string states() {
        std::string s;
        for (const char *name : {"unzipallfiles", "Mnu_Ajout", "Mnu_SupFich", "Mnu_AutoExtract",
                                 "Toolbar1_Button3", "Toolbar1_Button4", "Toolbar1_Button5"})
            s += enabled(name) ? '1' : '0';
        return s;
    }
    // The three-entry archive with a stored big.bin of `bytes` after them: work that lasts.
    std::string makeBigArchive(std::size_t bytes) {
        WriteFile(path("src/big.bin"), std::string(bytes, 'x'));
        const std::string archive = makeArchive();
        EXPECT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) + " && zip -q -0 " +
                                 ziptest::Quote(archive) + " big.bin"),
                  0);
        return archive;
    }
    // An archive of three entries, c.txt reported last; a.txt twice in two folders.
    std::string makeArchive(const std::string &name = "three.zip") {
        WriteFile(path("src/a.txt"), std::string(1000, 'a'), LocalNoon(2020, 12, 31));
        WriteFile(path("src/d/a.txt"), "inner");
        WriteFile(path("src/c.txt"), "");
        EXPECT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) + " && zip -q " +
                                 ziptest::Quote("../" + name) + " a.txt d/a.txt c.txt"),
                  0);
        return path(name);
    }
    QString q(const std::string &s) { return QString::fromStdString(s); }

    ScriptedPrompts *prompts = nullptr;
    int ended = 0;
    QString shownTitle;
    bool longWorkStopped = false;
    std::unique_ptr<QTimer> stopper_;
    std::optional<ScopedEnv> tmpdir_, cache_;
};

inline const std::string kNone = "0000000", kArchive = "1111110", kNew = "0100010";
