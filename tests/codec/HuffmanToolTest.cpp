// mivo-huffman from the outside: exit statuses, the error line and no output left on failure.
#include "CodecTestUtil.h"
#include "HuffmanCoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

class HuffmanTool : public ::testing::Test {
protected:
    void SetUp() override {
        // Unique: two builds of the same tests may run at once.
        std::string pattern = (fs::temp_directory_path() / "mivo-huffman-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string &name) const { return (dir / name).string(); }

    void write(const std::string &name, const std::string &data) const {
        std::ofstream(path(name), std::ios::binary) << data;
    }
    std::string read(const std::string &name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Runs the tool with the arguments, standard error into "stderr.txt"; returns the exit status.
    int run(const std::string &args) const {
        const std::string command =
            std::string(MIVO_HUFFMAN_BIN) + " " + args + " 2> '" + path("stderr.txt") + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir;
};

TEST_F(HuffmanTool, EncodesAndDecodesFiles) {
    std::string data;
    for (int i = 0; i < 3000; ++i)
        data += "ligne " + std::to_string(i % 17) + "\r\n";
    write("in.bin", data);
    ASSERT_EQ(run("encode '" + path("in.bin") + "' '" + path("enc") + "'"), 0);
    EXPECT_EQ(read("enc"), HuffmanCoding::HuffmanEncode(data, false));
    ASSERT_EQ(run("decode '" + path("enc") + "' '" + path("out.bin") + "'"), 0);
    EXPECT_EQ(read("out.bin"), data);

    write("abc", "abc");
    ASSERT_EQ(run("encode --force-coded '" + path("abc") + "' '" + path("abc.enc") + "'"), 0);
    EXPECT_EQ(read("abc.enc"),
              testutil::Hex("48 45 32 0D 39 0D 61 02 01 62 02 03 63 01 00 60 33 0D 0D"));
}

TEST_F(HuffmanTool, DecoderFailureLeavesNoOutputAndPrintsNumberAndDescription) {
    write("bad", "HE1\rabc");
    EXPECT_EQ(run("decode '" + path("bad") + "' '" + path("out") + "'"), 1);
    EXPECT_FALSE(fs::exists(path("out")));
    EXPECT_EQ(read("stderr.txt"),
              std::string("-2147221504: ") + HuffmanCoding::Msg::NotOurs + "\n");
    // No stray temporary file either.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

TEST_F(HuffmanTool, OutputIsReplacedWholeThroughItsLinkAndNeverThroughAPlantedOne) {
    write("in", "abc");
    write("victim", "do not touch");
    write("real-out", std::string(1000, 'o'));
    fs::create_symlink(path("victim"), path("out.mivo-part"));
    fs::create_symlink("real-out", path("out"));
    ASSERT_EQ(run("encode '" + path("in") + "' '" + path("out") + "'"), 0);
    EXPECT_EQ(read("victim"), "do not touch");
    EXPECT_TRUE(fs::is_symlink(path("out")));
    EXPECT_EQ(read("real-out"), HuffmanCoding::HuffmanEncode("abc", false));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 6);
}

TEST_F(HuffmanTool, WrongArgumentsAndUnreadableFilesExitWithTwo) {
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("squeeze a b"), 2);
    EXPECT_EQ(run("decode --force-coded a b"), 2);
    EXPECT_EQ(run("encode onlyone"), 2);
    EXPECT_EQ(run("encode '" + path("missing") + "' '" + path("out") + "'"), 2);
    EXPECT_FALSE(fs::exists(path("out")));
    write("in", "x");
    EXPECT_EQ(run("encode '" + path("in") + "' '" + path("no/such/folder/out") + "'"), 2);
    EXPECT_NE(read("stderr.txt").find("no/such/folder/out"), std::string::npos);
}

} // namespace
