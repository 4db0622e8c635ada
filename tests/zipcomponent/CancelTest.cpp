// A user's stop in the middle of the work: extraction keeps the entries already written and
// leaves no partly written file; a rewrite of the archive leaves it byte for byte.
#include "VFunzip.h"
#include "VFzip.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace ziptest;
using zipcomponent::Cancelled;

namespace {

class CancelTest : public TempDirTest {
protected:
    // first.txt (small), then big.bin (3 MiB, stored: many pieces).
    std::string archive() {
        WriteFile(path("src/first.txt"), "first");
        WriteFile(path("src/big.bin"), RandomLike(3 << 20));
        EXPECT_EQ(Shell("cd " + Quote(path("src")) + " && zip -q -0 ../a.zip first.txt big.bin"),
                  0);
        return path("a.zip");
    }
    static std::string RandomLike(std::size_t n) {
        std::string s(n, '\0');
        for (std::size_t i = 0; i < n; ++i)
            s[i] = static_cast<char>((i * 2654435761u) >> 11);
        return s;
    }
};

TEST_F(CancelTest, AStoppedExtractionKeepsWhatWasWrittenAndNoPartialFile) {
    zipcomponent::VFunzip unzip;
    unzip.ArchivePath = archive();
    unzip.DestinationFolder = path("out");
    std::int64_t bigWritten = 0;
    unzip.Progress = [&](std::int64_t written, std::int64_t size, const std::string &) {
        if (size > 1000) bigWritten = written;
    };
    unzip.CancelRequested = [&] { return bigWritten >= (1 << 20); };
    EXPECT_THROW(unzip.ExtractAll(), Cancelled);
    EXPECT_EQ(ReadFile(path("out/first.txt")), "first");
    EXPECT_FALSE(std::filesystem::exists(path("out/big.bin")));
    EXPECT_TRUE(LeftoverTemporaries(path("out")).empty());
}

TEST_F(CancelTest, AStoppedRewriteLeavesTheArchiveByteForByte) {
    const std::string zip = archive();
    const std::string before = ReadFile(zip);
    WriteFile(path("more.bin"), RandomLike(2 << 20));
    zipcomponent::VFzip writer;
    writer.ZipFileName = zip;
    std::vector<double> progress;
    writer.Progress = [&](double done) { progress.push_back(done); };
    writer.CancelRequested = [&] { return !progress.empty(); };
    writer.BeginBatch();
    writer.AddFile(path("more.bin"));
    writer.DeleteEntry("first.txt");
    EXPECT_THROW(writer.CommitBatch(), Cancelled);
    EXPECT_EQ(ReadFile(zip), before);
    EXPECT_TRUE(LeftoverTemporaries(path("")).empty());
}

TEST_F(CancelTest, ProgressReachesTheWholeWhenNothingStops) {
    const std::string zip = archive();
    WriteFile(path("more.bin"), RandomLike(1 << 20));
    zipcomponent::VFzip writer;
    writer.ZipFileName = zip;
    double last = -1;
    writer.Progress = [&](double done) { last = done; };
    writer.AddFile(path("more.bin"));
    EXPECT_DOUBLE_EQ(last, 1.0);
    EXPECT_EQ(Shell("unzip -tq " + Quote(zip) + " >/dev/null"), 0);
}

} // namespace
