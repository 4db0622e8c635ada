// The main window started offscreen by the registry, with a program folder of its own and
// prompts answered from a script, and helpers to read what it shows.
#pragma once

#include "Forms.h"
#include "Module1.h"
#include "ScriptedPrompts.h"
#include "Unzip.h"
#include "VFzip.h"
#include "ZipTestUtil.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QLabel>
#include <QTreeView>

#include <ctime>
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

class UnzipFixture : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        Module1::Shared() = Module1::SharedState{};
        Forms::startup() = {QString::fromStdString(root.string()), QString(), [this] { ++ended; }};
        Forms::VFzip1().ZipFileName.clear();
        prompts = &InstallScriptedPrompts();
    }
    void TearDown() override {
        Forms::UnloadAll();
        TempDirTest::TearDown();
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
};

inline const std::string kNone = "0000000", kArchive = "1111110", kNew = "0100010";
