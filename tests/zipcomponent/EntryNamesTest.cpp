#include "EntryNames.h"

#include <gtest/gtest.h>

using namespace zipcomponent;

namespace {

struct PathRow {
    const char *name;
    const char *input;
    const char *expected; // nullptr: refused
};

void PrintTo(const PathRow &row, std::ostream *os) {
    *os << row.name;
}

class SafeRelativePaths : public ::testing::TestWithParam<PathRow> {};

TEST_P(SafeRelativePaths, StayBelowTheDestination) {
    const auto result = SafeRelativePath(GetParam().input);
    EXPECT_EQ(result.value_or("<refused>"),
              GetParam().expected ? GetParam().expected : "<refused>");
}

INSTANTIATE_TEST_SUITE_P(
    Names, SafeRelativePaths,
    ::testing::Values(PathRow{"Plain", "docs/a.txt", "docs/a.txt"},
                      PathRow{"Absolute", "/etc/passwd", "etc/passwd"},
                      PathRow{"DriveLetter", "C:/Windows/x.dll", "Windows/x.dll"},
                      PathRow{"DriveLetterBackslash", "c:\\boot.ini", "boot.ini"},
                      PathRow{"DotsAndDoubleSlashes", "./a//./b.txt", "a/b.txt"},
                      PathRow{"ParentAtStart", "../evil.txt", nullptr},
                      PathRow{"ParentInside", "a/../../evil.txt", nullptr},
                      PathRow{"ParentBehindBackslash", "a\\..\\..\\evil.txt", nullptr},
                      PathRow{"OnlySeparators", "///", nullptr},
                      PathRow{"ColonInsideIsAName", "a/C:/b", "a/C:/b"}),
    [](const auto &info) { return info.param.name; });

TEST(EntryNameDecoding, KeepsUtf8AndReadsOthersAsCodePage850) {
    EXPECT_EQ(DecodeEntryName("été/naïve.txt"), "été/naïve.txt");
    // The capitals where code page 850 and 437 differ: À (B7), Ê (D2), Î (D7), Ô (E2), Ù (EB).
    EXPECT_EQ(DecodeEntryName("\xB7\xD2\xD7\xE2\xEB.txt"), "ÀÊÎÔÙ.txt");
    EXPECT_EQ(DecodeEntryName("r\x82sum\x82.doc"), "résumé.doc");
    EXPECT_EQ(DecodeEntryName("dossier\\sous\\f.txt"), "dossier/sous/f.txt");
}

TEST(EntryNameParts, SplitAndJoin) {
    EXPECT_EQ(EntryFileOf("a/b/c.txt"), "c.txt");
    EXPECT_EQ(EntryFolderOf("a/b/c.txt"), "a/b");
    EXPECT_EQ(EntryFolderOf("c.txt"), "");
    EXPECT_EQ(JoinEntryName("a/b", "c.txt"), "a/b/c.txt");
    EXPECT_EQ(JoinEntryName("", "c.txt"), "c.txt");
}

} // namespace
