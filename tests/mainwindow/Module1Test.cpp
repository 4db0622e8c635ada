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

TEST_F(Module1Test, IsFileTakesTheNameLiterally) {
    ziptest::WriteFile(path("a[1].zip"), "x");
    ziptest::WriteFile(path(".hidden.zip"), "x");
    ziptest::WriteFile(path("a1.zip"), "x");
    std::filesystem::create_directories(path("folder.zip"));
    EXPECT_TRUE(IsFile(q("a[1].zip")));
    EXPECT_TRUE(IsFile(q(".hidden.zip")));
    EXPECT_FALSE(IsFile(q("a?.zip"))); // no file of that very name, though a1.zip matches
    EXPECT_FALSE(IsFile(q("folder.zip")));
    EXPECT_FALSE(IsFile(q("missing.zip")));
    EXPECT_FALSE(IsFile(QString()));
}

TEST_F(Module1Test, TempFolderEndsWithOneSeparator) {
    EXPECT_TRUE(TempFolder().endsWith(u'/'));
    EXPECT_FALSE(TempFolder().endsWith(QStringLiteral("//")));
}

TEST_F(Module1Test, StatusNumbersGetALeadingBlankUnlessNegative) {
    EXPECT_EQ(StatusNumberText(1234), QStringLiteral(" 1234"));
    EXPECT_EQ(StatusNumberText(0), QStringLiteral(" 0"));
    EXPECT_EQ(StatusNumberText(-5), QStringLiteral("-5"));
    EXPECT_EQ(StatusNumberText(5000000000LL), QStringLiteral(" 5000000000"));
}

} // namespace
