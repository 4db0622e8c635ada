// The buffered archive source against libzip's plain file source: the same random sequences of
// reads, seeks and tells on the same file must give the same results, byte for byte.
#include "BufferedSource.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>

using namespace zipcomponent;
using namespace ziptest;

namespace {

struct SourceFree {
    void operator()(zip_source_t *s) const { zip_source_free(s); }
};
using Source = std::unique_ptr<zip_source_t, SourceFree>;

class BufferedSourceTest : public TempDirTest {};

constexpr zip_int64_t kAhead = 1 << 18; // the read-ahead of the buffered source

// Read sizes that straddle the read-ahead, where the buffer is bypassed or refilled.
zip_uint64_t readSize(std::mt19937 &rng) {
    switch (rng() % 4) {
    case 0:
        return rng() % 5000;
    case 1:
        return static_cast<zip_uint64_t>(kAhead - 2 + static_cast<zip_int64_t>(rng() % 5));
    case 2:
        return kAhead / 2 + rng() % kAhead;
    default:
        return kAhead + rng() % (2 * kAhead);
    }
}

TEST_F(BufferedSourceTest, RandomReadsSeeksAndTellsMatchThePlainFileSource) {
    // Every 4-byte word holds its own offset: a byte from the wrong place never matches.
    const std::size_t size = 3 * kAhead + 12345;
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>((i >> (8 * (i % 4))) & 0xff);
    WriteFile(path("data.bin"), data);

    std::mt19937 rng(20201231);
    std::vector<char> got(4 * kAhead), want(4 * kAhead);
    int reads = 0, seeks = 0;
    for (int sequence = 0; sequence < 300; ++sequence) {
        zip_error_t error;
        zip_error_init(&error);
        const Source plain(zip_source_file_create(path("data.bin").c_str(), 0, -1, &error));
        const Source buffered(CreateBufferedFileSource(path("data.bin"), &error));
        zip_error_fini(&error);
        ASSERT_TRUE(plain && buffered);
        ASSERT_EQ(zip_source_open(plain.get()), 0);
        ASSERT_EQ(zip_source_open(buffered.get()), 0);
        std::ostringstream trail; // the operations so far, to replay a failure
        for (int step = 0; step < 30; ++step) {
            const unsigned what = rng() % 3;
            if (what == 0) {
                const zip_uint64_t len = readSize(rng);
                trail << " read " << len;
                const zip_int64_t n = zip_source_read(buffered.get(), got.data(), len);
                ASSERT_EQ(n, zip_source_read(plain.get(), want.data(), len)) << trail.str();
                if (n > 0) {
                    ASSERT_EQ(std::memcmp(got.data(), want.data(), static_cast<std::size_t>(n)), 0)
                        << trail.str();
                }
                ++reads;
            } else if (what == 1) {
                const int whence = std::array{SEEK_SET, SEEK_CUR, SEEK_END}[rng() % 3];
                // Mostly near the current position, sometimes before the start or past the end.
                zip_int64_t offset = static_cast<zip_int64_t>(rng() % (2 * kAhead)) - kAhead;
                if (whence == SEEK_SET) offset += static_cast<zip_int64_t>(rng() % (size + 100));
                if (whence == SEEK_END) offset = -static_cast<zip_int64_t>(rng() % (size + 100));
                trail << " seek " << offset << "/" << whence;
                ASSERT_EQ(zip_source_seek(buffered.get(), offset, whence),
                          zip_source_seek(plain.get(), offset, whence))
                    << trail.str();
                ++seeks;
            } else {
                trail << " tell";
                ASSERT_EQ(zip_source_tell(buffered.get()), zip_source_tell(plain.get()))
                    << trail.str();
            }
        }
        zip_source_close(plain.get());
        zip_source_close(buffered.get());
    }
    // The sequences did exercise both kinds of call.
    EXPECT_GT(reads, 2000);
    EXPECT_GT(seeks, 2000);
}

} // namespace
