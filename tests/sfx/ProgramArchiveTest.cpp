// A self-extracting program read as an archive without running it: its archive decoded into a
// private folder (never beside the program) and removed afterwards, by mivo-ziptool and by the
// decoder itself.
#include "HuffmanCoding.h"
#include "SfxBuilder.h"
#include "SfxDecode.h"
#include "SfxLayout.h"
#include "SfxTestUtil.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using namespace ziptest;

class ProgramArchiveTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directories(path("tmp"));
        fs::create_directories(path("dl"));
    }
    // photos.zip from `zip`: texts that tell the entries apart, one in a folder, one empty;
    // stored, so that the codec codes it.
    std::string photos() {
        WriteFile(path("src/a.txt"), "alpha");
        WriteFile(path("src/docs/b.txt"), std::string(1000, 'b') + "end");
        WriteFile(path("src/empty.txt"), "");
        EXPECT_EQ(Shell("cd " + Quote(path("src")) +
                        " && zip -q -0 ../photos.zip a.txt docs/b.txt empty.txt"),
                  0);
        return path("photos.zip");
    }
    // A program built by the builder's steps from `stubFolder`'s stub image.
    std::string build(const std::string &stubFolder, const std::string &archive,
                      const std::string &output) {
        const sfx::BuildResult result =
            sfx::BuildSelfExtractor({stubFolder, archive, output, "."}, {});
        EXPECT_TRUE(result.ok) << result.error;
        return output;
    }
    // mivo-ziptool with the test's temporary folder; output in out.txt and err.txt.
    int tool(const std::string &args) {
        const std::string command = "TMPDIR=" + Quote(path("tmp")) + " " + MIVO_ZIPTOOL_BIN + " " +
                                    args + " > " + Quote(path("out.txt")) + " 2> " +
                                    Quote(path("err.txt"));
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::set<std::string> names(const std::string &folder) {
        std::set<std::string> found;
        for (const auto &e : fs::directory_iterator(folder))
            found.insert(e.path().filename().string());
        return found;
    }
};

TEST_F(ProgramArchiveTest, ZipToolListsAndExtractsAProgramLikeItsArchiveLeavingNothing) {
    const std::string archive = photos();
    const std::string program =
        build(fs::path(MIVO_STUB_DAT).parent_path().string(), archive, path("dl/photos.exe"));

    ASSERT_EQ(tool("list " + Quote(archive)), 0);
    const std::string archiveListing = ReadFile(path("out.txt"));
    ASSERT_EQ(tool("list " + Quote(program)), 0) << ReadFile(path("err.txt"));
    EXPECT_EQ(ReadFile(path("out.txt")), archiveListing);
    EXPECT_NE(archiveListing.find("\tdocs\tdocs/b.txt\n"), std::string::npos) << archiveListing;

    ASSERT_EQ(tool("extract " + Quote(program) + " " + Quote(path("out"))), 0)
        << ReadFile(path("err.txt"));
    EXPECT_EQ(ReadFile(path("out/a.txt")), "alpha");
    EXPECT_EQ(ReadFile(path("out/docs/b.txt")), std::string(1000, 'b') + "end");
    EXPECT_EQ(ReadFile(path("out/empty.txt")), "");
    EXPECT_EQ(names(path("out")), (std::set<std::string>{"a.txt", "docs", "empty.txt"}));

    // The decoded archive was neither written beside the program nor left behind.
    EXPECT_EQ(names(path("dl")), std::set<std::string>{"photos.exe"});
    EXPECT_TRUE(names(path("tmp")).empty());
}

TEST_F(ProgramArchiveTest, ZipToolRefusesAProgramCutShortOrNotOursWithTheReason) {
    WriteFile(path("stub/Mivo-AutoExtractZIP.Dat"), sfxtest::FakeStub());
    const std::string program = build(path("stub"), photos(), path("dl/photos.exe"));
    const std::string bytes = ReadFile(program);
    const std::string prefix = "Le programme auto-extractible « ";

    const std::string cut = path("dl/cut.exe");
    WriteFile(cut, bytes.substr(0, bytes.size() - 10));
    EXPECT_EQ(tool("list " + Quote(cut)), 1);
    EXPECT_EQ(ReadFile(path("err.txt")),
              prefix + cut +
                  " » ne peut pas être lu : Pas de données trouvées dans ce fichier !\n");

    // The payload's signature damaged: the codec's own reason.
    const std::string marker = sfx::MarkerText(sfx::Marker::Data) + "\r\n";
    const std::size_t payload = bytes.find(marker) + marker.size();
    ASSERT_EQ(bytes.substr(payload, 3), "HE2");
    std::string damaged = bytes;
    damaged[payload + 1] = 'X';
    const std::string other = path("dl/other.exe");
    WriteFile(other, damaged);
    EXPECT_EQ(tool("extract " + Quote(other) + " " + Quote(path("out"))), 1);
    EXPECT_EQ(ReadFile(path("err.txt")),
              prefix + other + " » ne peut pas être lu : " + HuffmanCoding::Msg::NotOurs + "\n");

    EXPECT_FALSE(fs::exists(path("out")));
    EXPECT_TRUE(names(path("tmp")).empty());
}

// With several payloads the last is the archive, as the stub unpacks it; it lives in a private
// folder of its own, and goes with its owner unless someone else's file took its place.
TEST_F(ProgramArchiveTest, TheLastPayloadIsDecodedPrivatelyAndRemovedWithItsOwner) {
    const std::string zip = ReadFile(photos());
    const std::string readme = HuffmanCoding::HuffmanEncode("lisez-moi d'abord", true);
    const std::string archive = HuffmanCoding::HuffmanEncode(zip, true);
    const std::string program = path("dl/deux.exe");
    WriteFile(program, sfxtest::FakeStub() +
                           sfx::SfxHeaderBytes({"lisezmoi.txt", "photos.zip"},
                                               {readme.size(), archive.size()}) +
                           readme + archive);
    fs::create_directories(path("private"));

    std::string folder;
    {
        const auto decoded = sfx::DecodeIfProgram(program, path("private"), "programme-");
        ASSERT_NE(decoded, nullptr);
        folder = decoded->folder();
        EXPECT_EQ(fs::path(folder).parent_path(), fs::path(path("private")));
        EXPECT_EQ(decoded->path(), folder + "/photos.zip");
        EXPECT_EQ(ReadFile(decoded->path()), zip);
        EXPECT_EQ(names(folder), std::set<std::string>{"photos.zip"});
        struct stat st {};
        ASSERT_EQ(stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        ASSERT_EQ(stat(decoded->path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
    }
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(names(path("dl")), std::set<std::string>{"deux.exe"});

    {
        const auto decoded = sfx::DecodeIfProgram(program, path("private"), "programme-");
        ASSERT_NE(decoded, nullptr);
        folder = decoded->folder();
        WriteFile(folder + "/other", "not the decoder's");
        fs::rename(folder + "/other", decoded->path());
    }
    EXPECT_EQ(ReadFile(folder + "/photos.zip"), "not the decoder's");

    // A ZIP archive and a program without header are no self-extracting programs.
    EXPECT_EQ(sfx::DecodeIfProgram(path("photos.zip"), path("private"), "programme-"), nullptr);
    WriteFile(path("dl/plain"), sfxtest::FakeStub());
    EXPECT_EQ(sfx::DecodeIfProgram(path("dl/plain"), path("private"), "programme-"), nullptr);
}

} // namespace
