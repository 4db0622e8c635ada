// The buffered archive source against libzip's plain file source: the same random sequences of
// reads, seeks and tells on the same file must give the same results, byte for byte. Its writing
// side against a plain image of the file: the same random writes, seeks and tells.
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

TEST_F(BufferedSourceTest, RandomWritesSeeksAndTellsGiveTheFileTheyDescribe) {
    constexpr std::size_t kBuffer = 1 << 20; // the write buffer of the buffered source
    std::mt19937 rng(20261207);
    int insideSeeks = 0, bigWrites = 0;
    for (int sequence = 0; sequence < 6; ++sequence) {
        WriteFile(path("out.bin"), "the file before");
        zip_error_t error;
        zip_error_init(&error);
        const Source buffered(CreateBufferedFileSource(path("out.bin"), &error));
        zip_error_fini(&error);
        ASSERT_TRUE(buffered);
        ASSERT_EQ(zip_source_begin_write(buffered.get()), 0);
        std::string image; // what the file must hold
        std::size_t at = 0;
        std::ostringstream trail;
        for (int step = 0; step < 60; ++step) {
            const unsigned what = rng() % 5;
            if (what <= 1) {
                // Mostly small pieces, as entries' headers; some as large as the buffer or more.
                const std::size_t len =
                    what == 0 ? rng() % 3000 : kBuffer - 2 + rng() % (kBuffer / 2);
                bigWrites += len >= kBuffer;
                std::string piece(len, '\0');
                const unsigned seed = rng();
                for (std::size_t i = 0; i < len; ++i)
                    piece[i] = static_cast<char>('a' + (seed + i * 7) % 26);
                trail << " write " << len;
                ASSERT_EQ(zip_source_write(buffered.get(), piece.data(), len),
                          static_cast<zip_int64_t>(len))
                    << trail.str();
                if (image.size() < at + len) image.resize(at + len, '\0');
                image.replace(at, len, piece);
                at += len;
            } else if (what <= 3) {
                // Back a little, as to a header just written, or anywhere in the file, or past
                // its end.
                const int whence = std::array{SEEK_SET, SEEK_CUR, SEEK_END}[rng() % 3];
                const std::size_t target = what == 2 ? at - std::min<std::size_t>(at, rng() % 4000)
                                                     : rng() % (image.size() + 5000);
                const zip_int64_t base = whence == SEEK_SET ? 0
                                         : whence == SEEK_CUR
                                             ? static_cast<zip_int64_t>(at)
                                             : static_cast<zip_int64_t>(image.size());
                trail << " seek " << target << "/" << whence;
                ASSERT_EQ(zip_source_seek_write(buffered.get(),
                                                static_cast<zip_int64_t>(target) - base, whence),
                          0)
                    << trail.str();
                insideSeeks += what == 2;
                at = target;
            } else {
                trail << " tell";
                ASSERT_EQ(zip_source_tell_write(buffered.get()), static_cast<zip_int64_t>(at))
                    << trail.str();
            }
        }
        ASSERT_EQ(zip_source_commit_write(buffered.get()), 0);
        // A seek past the end that nothing was written after leaves the file as it was.
        const std::string got = ReadFile(path("out.bin"));
        ASSERT_EQ(got.size(), image.size()) << trail.str();
        ASSERT_TRUE(got == image) << trail.str();
    }
    EXPECT_GT(insideSeeks, 50);
    EXPECT_GT(bigWrites, 10);
}

} // namespace
