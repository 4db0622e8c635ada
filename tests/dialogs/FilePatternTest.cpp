// The add dialog's file-name filter: Windows wildcard lists, the names it lists, the texts it
// refuses.
#include "FilePattern.h"
#include "DialogTestUtil.h"
#include "ZipTestUtil.h"

#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QStringList kept(const QString &pattern) {
    const FilePattern p(pattern);
    QStringList out;
    for (const char *name : {"a.txt", "B.TXT", "a.txt.bak", "atxt", "README", "x.c", "xy.c",
                             "apple.doc", "banana", "cherry.doc", ".profile"})
        if (p.matches(QString::fromLatin1(name))) out << QString::fromLatin1(name);
    return out;
}

TEST(FilePatternTest, WildcardsMatchTheWholeNameInAnyCase) {
    EXPECT_EQ(kept(QStringLiteral("*.txt")), (QStringList{"a.txt", "B.TXT"}));
    EXPECT_EQ(kept(QStringLiteral("?.c")), (QStringList{"x.c"}));
    EXPECT_EQ(kept(QStringLiteral("[ab]*")),
              (QStringList{"a.txt", "B.TXT", "a.txt.bak", "atxt", "apple.doc", "banana"}));
    EXPECT_EQ(kept(QStringLiteral("[!ab]*.doc")), (QStringList{"cherry.doc"}));
    EXPECT_EQ(kept(QStringLiteral("readme")), (QStringList{"README"}));
}

TEST(FilePatternTest, StarDotStarAndStarMatchEveryName) {
    const QStringList all{"a.txt", "B.TXT",     "a.txt.bak", "atxt",       "README",  "x.c",
                          "xy.c",  "apple.doc", "banana",    "cherry.doc", ".profile"};
    EXPECT_EQ(kept(QStringLiteral("*.*")), all);
    EXPECT_EQ(kept(QStringLiteral("*")), all);
    EXPECT_EQ(kept(QString()), all);
    EXPECT_EQ(kept(QStringLiteral("a*.*")),
              (QStringList{"a.txt", "a.txt.bak", "atxt", "apple.doc"}));
}

TEST(FilePatternTest, SemicolonListsAnyOfTheirWildcards) {
    EXPECT_EQ(kept(QStringLiteral("*.doc;*.TXT")),
              (QStringList{"a.txt", "B.TXT", "apple.doc", "cherry.doc"}));
    EXPECT_EQ(kept(QStringLiteral(" *.c ; README ;")), (QStringList{"README", "x.c", "xy.c"}));
}

TEST(FilePatternTest, SlashOrUnclosedBracketIsRefusedForStarDotStar) {
    for (const char *text : {"[ab", "*.txt;[", "sub/*.txt", "/", "*.c;a]/"}) {
        const FilePattern p(QString::fromLatin1(text));
        EXPECT_FALSE(p.valid()) << text;
        EXPECT_TRUE(p.matches(QStringLiteral("README"))) << text;
        EXPECT_TRUE(p.matches(QStringLiteral("a.txt"))) << text;
    }
    EXPECT_TRUE(FilePattern(QStringLiteral("[]x]*")).valid());
    EXPECT_EQ(kept(QStringLiteral("a]*")), QStringList());
}

class MatchingFilesTest : public ziptest::TempDirTest {};

TEST_F(MatchingFilesTest, ListsVisibleRegularFilesSortedWithoutCase) {
    for (const char *name : {"b.txt", "A.txt", "c.doc", ".hidden.txt", "dir.txt/inner.txt"})
        ziptest::WriteFile(path(name), "x");
    ASSERT_EQ(::symlink(path("c.doc").c_str(), path("link.txt").c_str()), 0);
    ASSERT_EQ(::symlink(path("dir.txt").c_str(), path("folderlink.txt").c_str()), 0);
    const QString folder = QString::fromStdString(root.string());
    EXPECT_EQ(MatchingFiles(folder, FilePattern(QStringLiteral("*.txt"))),
              (QStringList{"A.txt", "b.txt", "link.txt"}));
    EXPECT_EQ(MatchingFiles(folder, FilePattern()),
              (QStringList{"A.txt", "b.txt", "c.doc", "link.txt"}));
    EXPECT_EQ(MatchingFiles(folder + QStringLiteral("/none"), FilePattern()), QStringList());
    EXPECT_EQ(MatchingFiles(QString(), FilePattern()), QStringList());
}

} // namespace
