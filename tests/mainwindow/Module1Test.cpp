#include "Module1.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

using namespace Module1;

namespace {

class Module1Test : public ziptest::TempDirTest {
protected:
    QString q(const std::string &relative) const { return QString::fromStdString(path(relative)); }
};

TEST_F(Module1Test, WithTrailingBackslashAddsOneSeparatorOnlyWhenMissing) {
    EXPECT_EQ(WithTrailingBackslash(QStringLiteral("/home/x")), QStringLiteral("/home/x/"));
    EXPECT_EQ(WithTrailingBackslash(QStringLiteral("/home/x/")), QStringLiteral("/home/x/"));
    EXPECT_EQ(WithTrailingBackslash(QString()), QStringLiteral("/"));
}

TEST_F(Module1Test, FileExistsCountsOnlyOrdinaryVisibleFiles) {
    ziptest::WriteFile(path("full/a.zip"), "x");
    ziptest::WriteFile(path("hidden-only/.secret"), "x");
    std::filesystem::create_directories(path("empty"));
    std::filesystem::create_directories(path("folders-only/sub"));
    EXPECT_TRUE(FileExists(q("full/a.zip")));
    EXPECT_FALSE(FileExists(q("full/b.zip")));
    EXPECT_TRUE(FileExists(q("full/*.zip")));
    EXPECT_FALSE(FileExists(q("full/*.txt")));
    EXPECT_FALSE(FileExists(q("full"))); // a folder named without its separator
    EXPECT_TRUE(FileExists(q("full/"))); // a folder holding a file
    EXPECT_FALSE(FileExists(q("empty/")));
    EXPECT_FALSE(FileExists(q("folders-only/")));
    EXPECT_FALSE(FileExists(q("hidden-only/")));
    EXPECT_FALSE(FileExists(q("hidden-only/.secret")));
    EXPECT_FALSE(FileExists(q("nowhere/")));
    EXPECT_FALSE(FileExists(QString()));
}

TEST_F(Module1Test, TempFolderEndsWithASeparatorAndHonoursTmpdir) {
    const bool had = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", path("").c_str());
    EXPECT_EQ(TempFolder(), WithTrailingBackslash(q("")));
    if (had)
        qputenv("TMPDIR", saved);
    else
        qunsetenv("TMPDIR");
    EXPECT_FALSE(TempFolder().contains(QChar(0)));
}

TEST_F(Module1Test, StatusNumbersGetALeadingBlankUnlessNegative) {
    EXPECT_EQ(StatusNumberText(1234), QStringLiteral(" 1234"));
    EXPECT_EQ(StatusNumberText(0), QStringLiteral(" 0"));
    EXPECT_EQ(StatusNumberText(-5), QStringLiteral("-5"));
    EXPECT_EQ(StatusNumberText(5000000000LL), QStringLiteral(" 5000000000"));
}

} // namespace
