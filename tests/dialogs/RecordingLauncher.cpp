#include "RecordingLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib> // mkdtemp
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

QString &root() {
    static QString path;
    return path;
}

void write(const QString &path, const QString &text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(text.toUtf8());
}

QString application(const QString &lines) {
    return QStringLiteral("[Desktop Entry]\nType=Application\nExec=\"%1/bin/record\" %f\n%2")
        .arg(root(), lines);
}

// Made once, before the first test, for the whole program (see the header).
class DesktopFolders : public ::testing::Environment {
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "mivo-zip-desktop-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        root() = QString::fromStdString(pattern);
        const QString r = root(), sys1 = r + "/sys1/applications", sys2 = r + "/sys2/applications";

        // Types are looked up in the system's MIME database, from one of the data folders.
        const QString mime =
            QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("mime"),
                                   QStandardPaths::LocateDirectory);
        ASSERT_FALSE(mime.isEmpty());
        QDir().mkpath(r + "/sys2");
        ASSERT_TRUE(QFile::link(mime, r + "/sys2/mime"));

        write(r + "/bin/record", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.part\" && "
                                 "mv \"$0.part\" \"$0.args\"\n");
        QFile::setPermissions(r + "/bin/record",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        ASSERT_TRUE(image.save(r + "/viewer.png"));

        write(sys1 + "/zed.desktop",
              application("Name=Zed\nName[fr]=Bloc-notes\nName[de]=Notizblock\n"
                          "Icon=accessories-text-editor\nMimeType=text/plain;\n"));
        write(sys1 + "/viewer.desktop",
              application("Name=Visionneuse\nName[de]=Betrachter\nIcon=" + r +
                          "/viewer.png\nMimeType=image/png;text/plain;\n"));
        write(sys1 + "/handler.desktop",
              application("Name=Handler\nNoDisplay=true\nMimeType=text/plain;\n"));
        write(sys1 + "/elsewhere.desktop",
              application("Name=Ailleurs\nOnlyShowIn=Mivo-Nowhere;\nMimeType=text/plain;\n"));
        write(sys1 + "/absent.desktop",
              application("Name=Absent\nTryExec=" + r + "/bin/absent\nMimeType=text/plain;\n"));
        write(sys1 + "/kde/writer.desktop", application("Name=Writer\nMimeType=text/csv;\n"));
        write(sys1 + "/png.desktop", application("Name=Images\nMimeType=image/png;\n"));
        write(sys2 + "/gone.desktop", application("Name=Gone\nMimeType=text/plain;\n"));
        write(r + "/home/applications/gone.desktop",
              "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\n");
        write(sys2 + "/link.desktop",
              "[Desktop Entry]\nType=Link\nName=Site\nURL=https://example.org/\n"
              "MimeType=text/plain;\n");
        // The index of types a desktop's package tools build (update-desktop-database): GIO
        // finds an application's types there, not in its file.
        write(sys1 + "/mimeinfo.cache",
              "[MIME Cache]\ntext/plain=zed.desktop;absent.desktop;viewer.desktop;"
              "handler.desktop;elsewhere.desktop;\nimage/png=png.desktop;viewer.desktop;\n"
              "text/csv=kde-writer.desktop;\n");
        write(sys2 + "/mimeinfo.cache", "[MIME Cache]\ntext/plain=gone.desktop;link.desktop;\n");
        write(r + "/xdg/mimeapps.list",
              "[Default Applications]\ntext/plain=viewer.desktop\nimage/jpeg=missing.desktop\n"
              "[Added Associations]\nimage/png=kde-writer.desktop;\n"
              "[Removed Associations]\nimage/png=viewer.desktop;\n");
        QDir().mkpath(r + "/config");

        qputenv("XDG_DATA_HOME", (r + "/home").toUtf8());
        qputenv("XDG_DATA_DIRS", (r + "/sys1:" + r + "/sys2").toUtf8());
        qputenv("XDG_CONFIG_HOME", (r + "/config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (r + "/xdg").toUtf8());
    }
    void TearDown() override { QDir(root()).removeRecursively(); }
};

[[maybe_unused]] ::testing::Environment *const kDesktopFolders =
    ::testing::AddGlobalTestEnvironment(new DesktopFolders);

} // namespace

QString DesktopRoot() {
    return root();
}

QString RecordedArgumentsFile() {
    return root() + "/bin/record.args";
}

bool RecordingLauncher::Launch(const DesktopApplication &application, const QString &path) {
    started.push_back({application.id, path});
    return !startsFail;
}

bool RecordingLauncher::StartProgram(const QString &program, const QStringList &arguments) {
    started.push_back(QStringList{program} + arguments);
    return !startsFail;
}

bool RecordingLauncher::SetDefault(const DesktopApplication &application, const QString &mimeType) {
    defaults.push_back({application.id, mimeType});
    return !setDefaultFails;
}

RecordingLauncher &InstallRecordingLauncher() {
    auto owned = std::make_unique<RecordingLauncher>();
    RecordingLauncher &ref = *owned;
    setLauncher(std::move(owned));
    return ref;
}
