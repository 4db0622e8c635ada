// The payloads read in pieces of 5000 bytes, decoded and written under their names.
#include "StubExtraction.h"

#include "HuffmanCoding.h"
#include "SfxLayout.h"
#include "SfxTestUtil.h"
#include "TemporaryFiles.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace ziptest;
namespace fs = std::filesystem;

class StubExtractionTest : public TempDirTest {
protected:
    // A fake stub, a header and the payloads; returns the file's path.
    std::string makeProgram(const std::vector<std::pair<std::string, std::string>> &payloads) {
        std::vector<std::string> names;
        std::vector<std::uint64_t> lengths;
        std::string encoded;
        for (const auto &[name, data] : payloads) {
            const std::string stream = HuffmanCoding::HuffmanEncode(data, false);
            names.push_back(name);
            lengths.push_back(stream.size());
            encoded += stream;
        }
        WriteFile(path("prog.exe"),
                  sfxtest::FakeStub() + sfx::SfxHeaderBytes(names, lengths) + encoded);
        return path("prog.exe");
    }
    std::vector<std::pair<std::int64_t, std::int64_t>> run(const std::string &program,
                                                           const std::string &destination) {
        const sfx::SfxHeader header = sfx::ReadSfxListing(program);
        std::vector<std::pair<std::int64_t, std::int64_t>> progress;
        StubExtraction::Hooks hooks;
        hooks.progress = [&](std::int64_t v, std::int64_t m) { progress.emplace_back(v, m); };
        StubExtraction e(QString::fromStdString(program), QString::fromStdString(destination),
                         header.fileNames, header.payloadLengths, hooks);
        e.run();
        EXPECT_EQ(e.archiveFileToExtract().toStdString(), path("out/") + header.fileNames.back());
        return progress;
    }
};

// Stored streams are the data plus "HE0" CR: sizes chosen so the payloads are 5000 and 10001.
TEST_F(StubExtractionTest, AFiveThousandBytePayloadIsOnePiece) {
    const std::string data = sfxtest::RandomBytes(5000 - 4);
    const auto progress = run(makeProgram({{"a.zip", data}}), path("out/"));
    EXPECT_EQ(progress, (std::vector<std::pair<std::int64_t, std::int64_t>>{{0, 5000}}));
    EXPECT_EQ(ReadFile(path("out/a.zip")), data);
}

TEST_F(StubExtractionTest, TenThousandAndOneBytesAreTwoPiecesAndOne) {
    const std::string data = sfxtest::RandomBytes(10001 - 4);
    const auto progress = run(makeProgram({{"a.zip", data}}), path("out/"));
    EXPECT_EQ(progress, (std::vector<std::pair<std::int64_t, std::int64_t>>{
                            {0, 10001}, {5000, 10001}, {10000, 10001}}));
    EXPECT_EQ(ReadFile(path("out/a.zip")), data);
}

TEST_F(StubExtractionTest, PayloadsFollowOneAnotherAndReplaceLongerFilesWhole) {
    WriteFile(path("out/b.zip"), std::string(50000, 'x')); // longer than what replaces it
    const std::string first = "first payload", second(7000, 'z');
    run(makeProgram({{"a.txt", first}, {"b.zip", second}}), path("out"));
    EXPECT_EQ(ReadFile(path("out/a.txt")), first);
    EXPECT_EQ(ReadFile(path("out/b.zip")), second);
}

TEST_F(StubExtractionTest, AProgramCutShortHasNoData) {
    const std::string program = makeProgram({{"a.zip", sfxtest::RandomBytes(20000)}});
    const std::string bytes = ReadFile(program);
    WriteFile(program, bytes.substr(0, bytes.size() - 100));
    const sfx::SfxHeader header = sfx::ReadSfxListing(program);
    StubExtraction e(QString::fromStdString(program), QString::fromStdString(path("out")),
                     header.fileNames, header.payloadLengths, {});
    try {
        e.run();
        FAIL() << "a program cut short was extracted";
    } catch (const StubFailure &f) {
        EXPECT_TRUE(f.noData);
    }
    EXPECT_FALSE(std::filesystem::exists(path("out/a.zip")));
}

// While a payload is written the file at its name is untouched, and the temporary file beside it
// is known to the clean-up on signals: removed there, the payload fails and nothing is left.
TEST_F(StubExtractionTest, AnInterruptedPayloadLeavesTheOldFileAndNothingElse) {
    WriteFile(path("out/a.zip"), "the user's a.zip");
    const std::string program = makeProgram({{"a.zip", "the new archive's bytes"}});
    const sfx::SfxHeader header = sfx::ReadSfxListing(program);
    StubExtraction *running = nullptr;
    std::string temporary;
    StubExtraction::Hooks hooks;
    hooks.repaint = [&] { // after the payload is read, before it is decoded and written
        temporary = running->payloadTemporaryPath().toStdString();
        EXPECT_EQ(fs::path(temporary).parent_path(), fs::path(path("out")));
        EXPECT_TRUE(fs::exists(temporary));
        EXPECT_EQ(ReadFile(path("out/a.zip")), "the user's a.zip");
        fileio::RemoveTemporariesNow(); // what a signal's handler does
    };
    StubExtraction e(QString::fromStdString(program), QString::fromStdString(path("out")),
                     header.fileNames, header.payloadLengths, hooks);
    running = &e;
    EXPECT_THROW(e.run(), StubFailure);
    EXPECT_FALSE(temporary.empty());
    EXPECT_EQ(ReadFile(path("out/a.zip")), "the user's a.zip");
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(path("out")))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"a.zip"});
}

} // namespace
