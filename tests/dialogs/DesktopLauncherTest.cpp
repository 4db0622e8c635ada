// The desktop launcher on the tests' desktop (RecordingLauncher.h): file types, the applications
// and defaults GIO decides on, real starts of a harmless recorder, and a new default written to
// the user's mimeapps.list.
#include <gio/gio.h> // before Qt: a member of one of its structs is named `signals`

#include "DialogTestUtil.h"
#include "RecordingLauncher.h"
#include "ZipTestUtil.h"

#include <QDeadlineTimer>
#include <QFile>
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
    }
    static QStringList names(const std::vector<DesktopApplication> &apps) {
        QStringList out;
        for (const auto &a : apps)
            out << a.id + u'=' + a.name;
        return out;
    }
    // The contents of a file once it exists (a program started without waiting writes it).
    static QString awaited(const QString &file) {
        QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(file) && !deadline.hasExpired())
            QThread::msleep(20);
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QString base;
};

TEST_F(DesktopLauncherTest, TellsTypesByNameAndByContent) {
    ziptest::WriteFile(path("a b.txt"), "bonjour\n");
    ziptest::WriteFile(path("image-sans-extension"), std::string("\x89PNG\r\n\x1a\n", 8));
    XdgLauncher desktop;
    EXPECT_EQ(desktop.MimeType(base + "/a b.txt"), QStringLiteral("text/plain"));
    EXPECT_EQ(desktop.MimeType(base + "/image-sans-extension"), QStringLiteral("image/png"));
}

TEST_F(DesktopLauncherTest, ListsTheApplicationsTheDesktopShowsByTheirFrenchName) {
    // A German session: the names stay French, or untranslated where the file has no French.
    const bool hadLanguage = qEnvironmentVariableIsSet("LANGUAGE");
    const QByteArray language = qgetenv("LANGUAGE");
    qputenv("LANGUAGE", "de");
    XdgLauncher desktop;
    const struct {
        const char *type;
        QStringList expected;
    } rows[] = {
        // NoDisplay, OnlyShowIn another desktop, a TryExec missing, hidden by the user's copy
        // and a link are left out.
        {"text/plain", {"zed.desktop=Bloc-notes", "viewer.desktop=Visionneuse"}},
        // Its own application first (ID from the sub-folder), then text/plain's.
        {"text/csv",
         {"kde-writer.desktop=Writer", "zed.desktop=Bloc-notes", "viewer.desktop=Visionneuse"}},
        // mimeapps.list: an added association comes first, a removed one is gone.
        {"image/png", {"kde-writer.desktop=Writer", "png.desktop=Images"}},
        {"image/jpeg", {}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(names(desktop.Applications(QString::fromLatin1(row.type))), row.expected)
            << row.type;
    const auto apps = desktop.Applications(QStringLiteral("text/plain"));
    hadLanguage ? qputenv("LANGUAGE", language) : qunsetenv("LANGUAGE");
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].exec, QStringLiteral("\"%1/bin/record\" %f").arg(DesktopRoot()));
    EXPECT_EQ(apps[0].icon, QStringLiteral("accessories-text-editor"));
    EXPECT_EQ(apps[1].icon, DesktopRoot() + "/viewer.png");
}

TEST_F(DesktopLauncherTest, TheDefaultIsTheDesktopsOrNoneWhenNothingOpensTheType) {
    XdgLauncher desktop;
    const struct {
        const char *type;
        QString expected; // the ID, empty for none
    } rows[] = {
        {"text/plain", QStringLiteral("viewer.desktop")},    // the system's choice
        {"text/csv", QStringLiteral("kde-writer.desktop")},  // the first for the type
        {"text/x-csrc", QStringLiteral("viewer.desktop")},   // its parent text/plain's
        {"image/png", QStringLiteral("kde-writer.desktop")}, // added; viewer removed
        {"image/jpeg", QString()},                           // names a missing file
        {"application/x-mivo-unknown", QString()},
    };
    for (const auto &row : rows) {
        const auto app = desktop.DefaultApplication(QString::fromLatin1(row.type));
        EXPECT_EQ(app ? app->id : QString(), row.expected) << row.type;
    }
}

TEST_F(DesktopLauncherTest, OpeningTellsNoAssociationFromAFailedStart) {
    RecordingLauncher desktop;
    const QString text = base + "/a.txt", photo = base + "/photo.jpg";
    EXPECT_EQ(desktop.OpenWithDefault(text), DesktopLauncher::OpenResult::Opened);
    EXPECT_EQ(desktop.OpenWithDefault(photo), DesktopLauncher::OpenResult::NoAssociation);
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0], QStringList({"viewer.desktop", text}));
    desktop.startsFail = true;
    EXPECT_EQ(desktop.OpenWithDefault(text), DesktopLauncher::OpenResult::Failed);
}

// The real starts, of the recorder and of touch: the awkward name arrives whole.
TEST_F(DesktopLauncherTest, TheRealStartsGiveThePathAsOneArgumentWithoutAShell) {
    const QString file = base + u'/' + kAwkwardName;
    XdgLauncher desktop;
    QFile::remove(RecordedArgumentsFile());
    ASSERT_TRUE(desktop.Launch({QStringLiteral("zed.desktop"), {}, {}, {}}, file));
    EXPECT_EQ(awaited(RecordedArgumentsFile()), file + u'\n');

    ASSERT_TRUE(desktop.StartProgram(QStringLiteral("/usr/bin/touch"), {file}));
    EXPECT_EQ(awaited(file), QString());
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(base + "/notes")); // what a shell would have made

    EXPECT_FALSE(desktop.Launch({QStringLiteral("missing.desktop"), {}, {}, {}}, file));
    EXPECT_FALSE(desktop.StartProgram(base + "/no-such-program", {file}));
}

TEST_F(DesktopLauncherTest, ANewDefaultGoesToTheUsersMimeappsList) {
    XdgLauncher desktop;
    const QString type = QStringLiteral("text/x-csrc");
    ASSERT_EQ(desktop.DefaultApplication(type).value_or(DesktopApplication{}).id,
              QStringLiteral("viewer.desktop"));
    const DesktopApplication zed{QStringLiteral("zed.desktop"), {}, {}, {}};

    EXPECT_TRUE(desktop.SetDefault(zed, type));
    EXPECT_EQ(desktop.DefaultApplication(type).value_or(DesktopApplication{}).id, zed.id);
    EXPECT_EQ(names(desktop.Applications(type)).value(0), QStringLiteral("zed.desktop=Bloc-notes"));
    QFile list(qEnvironmentVariable("XDG_CONFIG_HOME") + "/mimeapps.list");
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_TRUE(list.readAll().contains("\ntext/x-csrc=zed.desktop"));
    EXPECT_FALSE(desktop.SetDefault({QStringLiteral("missing.desktop"), {}, {}, {}}, type));

    g_app_info_reset_type_associations("text/x-csrc"); // as it was, for the next tests
    EXPECT_EQ(desktop.DefaultApplication(type).value_or(DesktopApplication{}).id,
              QStringLiteral("viewer.desktop"));
}

} // namespace
