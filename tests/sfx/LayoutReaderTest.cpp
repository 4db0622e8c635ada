// The line rule, the listing reader and the payload finder on files.
#include "LineReader.h"
#include "SfxLayout.h"
#include "SfxTestUtil.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using Kind = sfx::SfxLayoutError::Kind;
using sfxtest::FakeStub;
using sfxtest::OneNameHeader;

class LayoutReader : public ziptest::TempDirTest {
protected:
    // Writes `bytes` to a file and returns its path.
    std::string file(const std::string &bytes) {
        const std::string p = path("prog.exe");
        ziptest::WriteFile(p, bytes);
        return p;
    }
    // The kind of the listing reader's failure, or "ok".
    static std::string listingOutcome(const std::string &p) {
        try {
            sfx::ReadSfxListing(p);
            return "ok";
        } catch (const sfx::SfxLayoutError &e) {
            return e.kind() == Kind::NotSelfExtracting ? std::string("not sfx: ") + e.what()
                                                       : "other";
        }
    }
};

std::vector<std::string> lines(const std::string &p, std::size_t keep,
                               std::vector<std::uint64_t> *positions = nullptr) {
    const int fd = ::open(p.c_str(), O_RDONLY);
    sfx::detail::LineReader reader(fd);
    std::vector<std::string> out;
    std::string line;
    bool complete = true;
    while (reader.next(line, keep, complete)) {
        out.push_back(complete ? line : line + "<cut>");
        if (positions) positions->push_back(reader.position());
    }
    ::close(fd);
    return out;
}

TEST_F(LayoutReader, CrEndsALineAFollowingLfGoesWithItLoneLfAndNulStay) {
    std::vector<std::uint64_t> at;
    const std::string p = file(std::string("a\rb\r\nc\nd\0e\r\r\n\n\rlast", 19));
    EXPECT_EQ(lines(p, 100, &at),
              (std::vector<std::string>{"a", "b", std::string("c\nd\0e", 5), "", "\n", "last"}));
    EXPECT_EQ(at, (std::vector<std::uint64_t>{2, 5, 11, 13, 15, 19}));
    EXPECT_EQ(lines(p, 2), (std::vector<std::string>{"a", "b", "c\n<cut>", "", "\n", "la<cut>"}));
}

TEST_F(LayoutReader, LfAfterACrThatEndsTheBufferIsStillConsumed) {
    // The reader fills 64 KiB at a time: the CR is the block's last byte, the LF the next one's
    // first.
    const std::string p = file(std::string(65535, 'x') + "\r\nnext\r\n");
    std::vector<std::uint64_t> at;
    EXPECT_EQ(lines(p, 4, &at), (std::vector<std::string>{"xxxx<cut>", "next"}));
    EXPECT_EQ(at, (std::vector<std::uint64_t>{65537, 65543}));
}

TEST_F(LayoutReader, ListsOnePayloadBehindAStubFullOfBinaryLines) {
    const std::string p = file(FakeStub() + OneNameHeader("photos.zip", 7) + "HE0\rabc");
    const sfx::SfxHeader h = sfx::ReadSfxListing(p);
    EXPECT_EQ(h.fileCount, 1u);
    EXPECT_EQ(h.fileNames, std::vector<std::string>{"photos.zip"});
    EXPECT_EQ(h.payloadLengths, std::vector<std::uint64_t>{7});
    EXPECT_EQ(h.payloadStart, 0u);
}

TEST_F(LayoutReader, ListsThreePayloadsWithAccentedNames) {
    const std::string p = file("stub\r\n-=#NOOFFILES#=-\r\n3\r\n-=#FILNAME#=-\r\nun.zip\r\n"
                               "d\xC3\xA9j\xC3\xA0.txt\r\ntrois\r\n-=#LOFS#=-\r\n4\r\n5\r\n6\r\n"
                               "-=#SELFEXTRACT#=-\r\nHE0\rHE0\raHE0\rab");
    const sfx::SfxHeader h = sfx::ReadSfxListing(p);
    EXPECT_EQ(h.fileCount, 3u);
    EXPECT_EQ(h.fileNames, (std::vector<std::string>{"un.zip", "d\xC3\xA9j\xC3\xA0.txt", "trois"}));
    EXPECT_EQ(h.payloadLengths, (std::vector<std::uint64_t>{4, 5, 6}));
    EXPECT_EQ(sfx::FindSfxPayloads(p, h.payloadLengths), 108u);
}

TEST_F(LayoutReader, StubEndingInCrStillYieldsTheHeader) {
    const std::string stub = "image\r";
    const std::string p = file(stub + OneNameHeader("a.zip", 4) + "HE0\r");
    EXPECT_EQ(sfx::ReadSfxListing(p).fileNames, std::vector<std::string>{"a.zip"});
    EXPECT_EQ(sfx::FindSfxPayloads(p, {4}), stub.size() + OneNameHeader("a.zip", 4).size());
}

// 50 MB without a CR: a reader that grows or rescans its line would take minutes here.
TEST_F(LayoutReader, HugeLineWithoutCrIsReadInOnePass) {
    std::string bytes(50u << 20, 'x');
    bytes += OneNameHeader("a.zip", 4) + "HE0\r";
    const std::string p = file(bytes);
    EXPECT_EQ(sfx::ReadSfxListing(p).payloadLengths, std::vector<std::uint64_t>{4});
    EXPECT_EQ(sfx::FindSfxPayloads(p, {4}), bytes.size() - 4);
    EXPECT_EQ(listingOutcome(file(std::string(50u << 20, 'x'))),
              std::string("not sfx: ") + sfx::Msg::NotSelfExtracting);
}

TEST_F(LayoutReader, EveryCutOfTheHeaderIsRefusedByOneOfTheReaders) {
    const std::string whole = "stub" + OneNameHeader("photos.zip", 5) + "HE0\rx";
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const std::string p = file(whole.substr(0, n));
        bool refused = listingOutcome(p) != "ok";
        if (!refused) {
            try {
                sfx::FindSfxPayloads(p, sfx::ReadSfxListing(p).payloadLengths);
            } catch (const sfx::SfxLayoutError &e) {
                EXPECT_EQ(e.kind(), Kind::NoData);
                EXPECT_STREQ(e.what(), sfx::Msg::NoData);
                refused = true;
            }
        }
        EXPECT_TRUE(refused) << "cut at " << n;
    }
}

TEST_F(LayoutReader, CountsAndLengthsThatLieOrDoNotParseAreRefused) {
    const auto header = [](const std::string &count, const std::string &names,
                           const std::string &lengths) {
        return "s\r\n-=#NOOFFILES#=-\r\n" + count + "\r\n-=#FILNAME#=-\r\n" + names +
               "-=#LOFS#=-\r\n" + lengths + "-=#SELFEXTRACT#=-\r\nHE0\rHE0\r";
    };
    const std::string refused[] = {
        header("2", "a.zip\r\n", "4\r\n4\r\n"),            // fewer names than counted
        header("5", "a\r\nb\r\nc\r\n", "1\r\n1\r\n1\r\n"), // the count runs past the file
        header("0", "", ""),
        header("", "a\r\n", "4\r\n"),
        header("+1", "a\r\n", "4\r\n"),
        header(" 1", "a\r\n", "4\r\n"),
        header("1x", "a\r\n", "4\r\n"),
        header("99999999999999999999999", "a\r\n", "4\r\n"),
        header("1", "a\r\n", "-4\r\n"),
        header("1", "a\r\n", "4 \r\n"),
        header("1", "a\r\n", "\r\n"),
        header("1", "a\r\n", "18446744073709551616\r\n"), // 2^64
        header("1", "a\r\n", "100000\r\n"),               // more than the file holds
        header("2", "a\r\nb\r\n", "60\r\n60\r\n"),        // each fits, the sum does not
    };
    for (const std::string &bytes : refused)
        EXPECT_EQ(listingOutcome(file(bytes)),
                  std::string("not sfx: ") + sfx::Msg::NotSelfExtracting)
            << ziptest::Quote(bytes);
    EXPECT_EQ(listingOutcome(file(header("2", "a\r\nb\r\n", "4\r\n4\r\n"))), "ok");
    EXPECT_EQ(listingOutcome(file(header("02", "a\r\nb\r\n", "04\r\n4\r\n"))), "ok");
}

TEST_F(LayoutReader, HostileNamesAreRefused) {
    const std::string names[] = {"../evil.zip",
                                 "..",
                                 ".",
                                 "",
                                 "sub/a.zip",
                                 "/tmp/a.zip",
                                 "..\\evil.zip",
                                 std::string("a\0.zip", 6),
                                 "a\n.zip",
                                 std::string(300, 'n')};
    for (const std::string &name : names)
        EXPECT_EQ(listingOutcome(file("stub" + OneNameHeader(name, 4) + "HE0\r")),
                  std::string("not sfx: ") + sfx::Msg::NotSelfExtracting)
            << ziptest::Quote(name);
}

TEST_F(LayoutReader, FilesWithoutHeaderAndMissingFiles) {
    EXPECT_EQ(listingOutcome(file(FakeStub())),
              std::string("not sfx: ") + sfx::Msg::NotSelfExtracting);
    EXPECT_EQ(listingOutcome(file("")), std::string("not sfx: ") + sfx::Msg::NotSelfExtracting);
    try {
        sfx::ReadSfxListing(path("missing.exe"));
        ADD_FAILURE();
    } catch (const sfx::SfxLayoutError &e) {
        EXPECT_EQ(e.kind(), Kind::System);
        EXPECT_EQ(e.error(), ENOENT);
        EXPECT_STREQ(e.what(), "Fichier ou dossier introuvable");
    }
}

TEST_F(LayoutReader, FinderStopsAtTheHeadersDataMarkerWhateverThePayloadHolds) {
    const std::string stub = FakeStub();
    const std::string header = OneNameHeader("a.zip", 30);
    const std::string payload("HE0\r\r\n-=#SELFEXTRACT#=-\r\n\0\0\0\0\0", 30);
    ASSERT_EQ(payload.size(), 30u);
    const std::string p = file(stub + header + payload);
    EXPECT_EQ(sfx::FindSfxPayloads(p), stub.size() + header.size());
    EXPECT_EQ(sfx::FindSfxPayloads(p, {30}), stub.size() + header.size());
}

TEST_F(LayoutReader, FinderRunsOutOfBytesWithNoData) {
    const std::string cut = "stub" + OneNameHeader("a.zip", 10) + "HE0\rabc";
    for (const auto &[bytes, lengths] :
         std::vector<std::pair<std::string, std::vector<std::uint64_t>>>{
             {FakeStub(), {}}, {cut, {10}}, {cut + "xyz", {4, 7}}, {cut, {UINT64_MAX, 2}}}) {
        try {
            sfx::FindSfxPayloads(file(bytes), lengths);
            ADD_FAILURE() << ziptest::Quote(bytes);
        } catch (const sfx::SfxLayoutError &e) {
            EXPECT_EQ(e.kind(), Kind::NoData);
            EXPECT_STREQ(e.what(), sfx::Msg::NoData);
        }
    }
    EXPECT_EQ(sfx::FindSfxPayloads(file(cut), {7}), 4 + OneNameHeader("a.zip", 10).size());
}

} // namespace
