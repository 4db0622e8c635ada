// main() of the GUI test binaries: widgets run offscreen, with a private runtime folder, and
// every test may create and destroy windows.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv) {
    // gtest_discover_tests runs the binary without the test's environment: set it here.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    // Settings that fall back to the user's configuration land here, not in the real one.
    qputenv("XDG_CONFIG_HOME", (runtime.path() + QStringLiteral("/config")).toLocal8Bit());
    // So do the copies of opened entries, kept in the user's cache folder.
    qputenv("XDG_CACHE_HOME", (runtime.path() + QStringLiteral("/cache")).toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mivo-ZIP-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
