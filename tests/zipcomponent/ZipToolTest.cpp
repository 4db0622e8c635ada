// mivo-ziptool from the outside: the list format, the exit statuses.
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

using namespace ziptest;

namespace {

class ZipToolTest : public TempDirTest {
protected:
    int tool(const std::string &args) {
        // Shell() sends the output away; this keeps it.
        const std::string command = std::string(MIVO_ZIPTOOL_BIN) + " " + args + " > " +
                                    Quote(path("stdout.txt")) + " 2> " + Quote(path("stderr.txt"));
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(ZipToolTest, ListPrintsTheRowTextsAndTheFullName) {
    WriteFile(path("src/d/f.txt"), std::string(1000, 'f'), 1700000000);
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -qr ../a.zip d"), 0);
    ASSERT_EQ(tool("list " + Quote(path("a.zip"))), 0);
    const std::string out = ReadFile(path("stdout.txt"));
    EXPECT_EQ(out.substr(0, 6), "f.txt\t");
    EXPECT_NE(out.find("\t1000\t"), std::string::npos) << out;
    EXPECT_NE(out.find("%\t"), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.size() - 11), "\td\td/f.txt\n");
}

TEST_F(ZipToolTest, AddExtractDeleteAndTheirFailures) {
    WriteFile(path("src/a.txt"), "a");
    const std::string archive = Quote(path("t.zip"));
    EXPECT_EQ(tool("add --no-path-names " + archive + " " + Quote(path("src/a.txt"))), 0);
    EXPECT_EQ(tool("extract " + archive + " " + Quote(path("out"))), 0);
    EXPECT_EQ(ReadFile(path("out/a.txt")), "a");
    EXPECT_EQ(tool("delete " + archive + " missing.txt"), 1);
    EXPECT_NE(ReadFile(path("stderr.txt")).find("introuvable"), std::string::npos);
    EXPECT_EQ(tool("delete " + archive + " a.txt"), 0);
    EXPECT_EQ(tool("list " + Quote(path("nowhere/x.zip"))), 0); // nothing to list
    WriteFile(path("junk.zip"), "junk");
    EXPECT_EQ(tool("list " + Quote(path("junk.zip"))), 1);
    EXPECT_EQ(tool("frobnicate x"), 2);
    EXPECT_EQ(tool("add --encrypt rot13 --password p " + archive + " x"), 2);
    EXPECT_EQ(tool("list"), 2);
}

} // namespace
