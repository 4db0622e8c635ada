// The desktop launcher: file types, the .desktop files of the XDG folders, and the argument
// lists given to xdg-mime, gio and chosen programs (one argument per path, whatever it holds).
#include "DialogTestUtil.h"
#include "RecordingLauncher.h"
#include "ZipTestUtil.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// Spaces, both quotes, ';', '$' and a leading dash after the folder: a shell would split it.
const QString kAwkwardName = QStringLiteral("notes d'\"été\"; rm $HOME -x.txt");

class DesktopLauncherTest : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        base = QString::fromStdString(root.string());
        // A user folder that hides one system application, and two system folders. The
        // environment is put back at once: the MIME database is found through it too.
        std::vector<Saved> saved;
        for (const char *name : {"XDG_DATA_HOME", "XDG_DATA_DIRS"})
            saved.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        qputenv("XDG_DATA_HOME", (base + "/home").toUtf8());
        qputenv("XDG_DATA_DIRS", (base + "/sys1:relative:" + base + "/sys2").toUtf8());
        folders = DesktopEntries::ApplicationFolders();
        for (const auto &s : saved)
            s.set ? qputenv(s.name, s.value) : qunsetenv(s.name);
        const QString sys1 = base + "/sys1/applications", sys2 = base + "/sys2/applications";
        WriteDesktopFile(sys1, "zed.desktop",
                         "[Desktop Entry]\nType=Application\nName=Zed\nName[fr]=Bloc-notes\n"
                         "Name[de]=Notizblock\nExec=zed %f\nMimeType=text/plain;\n");
        WriteDesktopFile(sys1, "viewer.desktop",
                         "[Desktop Entry]\nType=Application\nName=Visionneuse\nExec=viewer %U\n"
                         "MimeType=image/png;text/plain;\n[Desktop Action New]\nName=Other\n"
                         "MimeType=text/csv;\n");
        WriteDesktopFile(sys1, "handler.desktop",
                         "[Desktop Entry]\nType=Application\nName=Handler\nExec=handler %f\n"
                         "NoDisplay=true\nMimeType=text/plain;\n");
        WriteDesktopFile(sys1 + "/kde", "writer.desktop",
                         "[Desktop Entry]\nType=Application\nName=Writer\nExec=writer\n"
                         "MimeType=text/csv;\n");
        WriteDesktopFile(sys2, "gone.desktop",
                         "[Desktop Entry]\nType=Application\nName=Gone\nExec=gone\n"
                         "MimeType=text/plain;\n");
        WriteDesktopFile(base + "/home/applications", "gone.desktop",
                         "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\n");
        WriteDesktopFile(sys2, "link.desktop",
                         "[Desktop Entry]\nType=Link\nName=Site\nExec=x\nMimeType=text/plain;\n");
    }
    QStringList names(const std::vector<DesktopApplication> &apps) {
        QStringList out;
        for (const auto &a : apps)
            out << a.id + u'=' + a.name;
        return out;
    }

    struct Saved {
        const char *name;
        bool set;
        QByteArray value;
    };
    QStringList folders;
    QString base;
};

TEST_F(DesktopLauncherTest, TellsTypesByNameAndByContent) {
    ziptest::WriteFile(path("a b.txt"), "bonjour\n");
    ziptest::WriteFile(path("image-sans-extension"), std::string("\x89PNG\r\n\x1a\n", 8));
    XdgLauncher desktop;
    EXPECT_EQ(desktop.MimeType(base + "/a b.txt"), QStringLiteral("text/plain"));
    EXPECT_EQ(desktop.MimeType(base + "/image-sans-extension"), QStringLiteral("image/png"));
}

TEST_F(DesktopLauncherTest, ReadsTheXdgFoldersInOrderOfPrecedence) {
    EXPECT_EQ(folders, QStringList({base + "/home/applications", base + "/sys1/applications",
                                    base + "/sys2/applications"}));
}

TEST_F(DesktopLauncherTest, ListsTheVisibleApplicationsOfATypeByTheirFrenchName) {
    XdgLauncher desktop(folders);
    // Handler (NoDisplay), Gone (hidden by the user's copy) and the link are left out.
    EXPECT_EQ(names(desktop.Applications(QStringLiteral("text/plain"))),
              QStringList({"zed.desktop=Bloc-notes", "viewer.desktop=Visionneuse"}));
    const auto apps = desktop.Applications(QStringLiteral("text/plain"));
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].file, base + "/sys1/applications/zed.desktop");
    EXPECT_EQ(apps[0].exec, QStringLiteral("zed %f"));
    // text/csv: its own application first (ID from the sub-folder), then text/plain's; the
    // MimeType of another group does not count.
    EXPECT_EQ(names(desktop.Applications(QStringLiteral("text/csv"))),
              QStringList({"kde-writer.desktop=Writer", "zed.desktop=Bloc-notes",
                           "viewer.desktop=Visionneuse"}));
}

TEST_F(DesktopLauncherTest, FindsTheDefaultApplicationOnlyWhenItsFileExists) {
    RecordingLauncher desktop(folders);
    const QString type = QStringLiteral("text/plain");
    struct Row {
        std::optional<QString> printed;
        QString expected; // the ID found, empty for none
    };
    const Row rows[] = {
        {QStringLiteral("viewer.desktop\n"), QStringLiteral("viewer.desktop")},
        {QStringLiteral("handler.desktop;\n"), QStringLiteral("handler.desktop")}, // NoDisplay
        {QStringLiteral("kde-writer.desktop\n"), QStringLiteral("kde-writer.desktop")},
        {QString(), QString()},                           // prints nothing
        {QStringLiteral("missing.desktop\n"), QString()}, // no such file
        {QStringLiteral("gone.desktop\n"), QString()},    // removed by the user
        {std::nullopt, QString()},                        // xdg-mime failed
    };
    for (const Row &row : rows) {
        desktop.queryDefault = row.printed;
        const auto app = desktop.DefaultApplication(type);
        EXPECT_EQ(app ? app->id : QString(), row.expected)
            << row.printed.value_or("(failed)").toStdString();
    }
    EXPECT_EQ(desktop.ran.back(), QStringList({"xdg-mime", "query", "default", "text/plain"}));
    EXPECT_TRUE(desktop.started.empty());
}

TEST_F(DesktopLauncherTest, GivesEveryPathAsOneArgument) {
    RecordingLauncher desktop(folders);
    const QString file = base + u'/' + kAwkwardName;
    ziptest::WriteFile(file.toStdString(), "texte\n");
    desktop.queryDefault = QStringLiteral("viewer.desktop\n");
    EXPECT_EQ(desktop.OpenWithDefault(file), DesktopLauncher::OpenResult::Opened);
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0],
              QStringList({"gio", "launch", base + "/sys1/applications/viewer.desktop", file}));

    EXPECT_TRUE(desktop.StartProgram(QStringLiteral("/opt/prog"), {file}));
    EXPECT_EQ(desktop.started[1], QStringList({"/opt/prog", file}));

    const auto viewer = desktop.DefaultApplication(QStringLiteral("text/plain"));
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(desktop.SetDefault(*viewer, QStringLiteral("text/plain")));
    EXPECT_EQ(desktop.ran.back(),
              QStringList({"xdg-mime", "default", "viewer.desktop", "text/plain"}));
}

TEST_F(DesktopLauncherTest, OpeningTellsNoAssociationFromAFailedStart) {
    RecordingLauncher desktop(folders);
    const QString file = base + "/a.txt";
    desktop.queryDefault = QString();
    EXPECT_EQ(desktop.OpenWithDefault(file), DesktopLauncher::OpenResult::NoAssociation);
    EXPECT_TRUE(desktop.started.empty());
    desktop.queryDefault = QStringLiteral("zed.desktop");
    desktop.startsFail = true;
    EXPECT_EQ(desktop.OpenWithDefault(file), DesktopLauncher::OpenResult::Failed);
}

// The real detached start, with a harmless program: the awkward name arrives whole.
TEST_F(DesktopLauncherTest, TheRealStartPassesTheArgumentListWithoutAShell) {
    const QString file = base + u'/' + kAwkwardName;
    XdgLauncher desktop;
    ASSERT_TRUE(desktop.StartProgram(QStringLiteral("/usr/bin/touch"), {file}));
    QDeadlineTimer deadline(10000);
    while (!QFileInfo::exists(file) && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(base + "/notes")); // what a shell would have made
    EXPECT_FALSE(desktop.StartProgram(base + "/no-such-program", {file}));
}

} // namespace
