// The atomic file writer: the final file is replaced whole or not at all, links and modes are
// kept, temporary files never outlive a failure.
#include "AtomicFile.h"
#include "TemporaryFiles.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace ziptest;
using fileio::AtomicFile;
using fileio::WriteFileAtomically;

namespace {

class AtomicFileTest : public TempDirTest {
protected:
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto &e : fs::directory_iterator(root))
            names.insert(e.path().filename().string());
        return names;
    }
    static mode_t mode(const std::string &path) {
        struct stat st {};
        stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }
};

TEST_F(AtomicFileTest, ReplacesTheWholeFileAndKeepsItsMode) {
    WriteFile(path("f"), std::string(5000, 'o'));
    ASSERT_EQ(chmod(path("f").c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(path("f"), "new"));
    EXPECT_EQ(ReadFile(path("f")), "new");
    EXPECT_EQ(mode(path("f")), 0640u);
    EXPECT_EQ(files(), (std::set<std::string>{"f"}));
}

TEST_F(AtomicFileTest, ALinkKeepsPointingAtTheReplacedFile) {
    WriteFile(path("real/data"), "old");
    fs::create_symlink("real/data", path("link1"));
    fs::create_symlink(path("link1"), path("link2")); // a chain, absolute then relative
    fs::create_symlink("real/new", path("dangling"));
    ASSERT_TRUE(WriteFileAtomically(path("link2"), "through two links"));
    ASSERT_TRUE(WriteFileAtomically(path("dangling"), "made"));
    EXPECT_TRUE(fs::is_symlink(path("link1")));
    EXPECT_TRUE(fs::is_symlink(path("link2")));
    EXPECT_TRUE(fs::is_symlink(path("dangling")));
    EXPECT_EQ(ReadFile(path("real/data")), "through two links");
    EXPECT_EQ(ReadFile(path("real/new")), "made");
    fs::create_symlink("loop", path("loop"));
    EXPECT_FALSE(WriteFileAtomically(path("loop"), "x"));
    EXPECT_EQ(errno, ELOOP);
}

// The no-follow form: a link at the target is refused, and one planted there while the file
// is written is replaced by the new file; the file a link reaches never changes.
TEST_F(AtomicFileTest, TheNoFollowFormNeverWritesThroughALink) {
    WriteFile(path("victim"), "not to be touched");
    fs::create_symlink(path("victim"), path("link"));
    AtomicFile refused;
    EXPECT_FALSE(refused.open(path("link"), AtomicFile::Links::Refuse));
    EXPECT_EQ(refused.error(), ELOOP);

    AtomicFile file;
    ASSERT_TRUE(file.open(path("late"), AtomicFile::Links::Refuse));
    fs::create_symlink(path("victim"), path("late"));
    ASSERT_TRUE(file.write("new", 3));
    ASSERT_TRUE(file.commit());
    EXPECT_FALSE(fs::is_symlink(path("late")));
    EXPECT_EQ(ReadFile(path("late")), "new");
    EXPECT_EQ(ReadFile(path("victim")), "not to be touched");
    EXPECT_TRUE(fs::is_symlink(path("link")));
    EXPECT_EQ(files(), (std::set<std::string>{"late", "link", "victim"}));
}

TEST_F(AtomicFileTest, StreamingWritesPatchesAndCommits) {
    WriteFile(path("f"), "previous");
    AtomicFile file;
    ASSERT_TRUE(file.open(path("f")));
    const std::string temp = file.temporaryPath();
    EXPECT_EQ(fs::path(temp).parent_path(), root); // beside the target
    EXPECT_NE(temp, path("f"));
    ASSERT_TRUE(file.write("hello ", 6));
    ASSERT_TRUE(file.write("world", 5));
    EXPECT_EQ(file.tell(), 11);
    ASSERT_TRUE(file.seek(0, SEEK_SET));
    ASSERT_TRUE(file.write("J", 1));
    EXPECT_EQ(ReadFile(path("f")), "previous"); // untouched until the commit
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(ReadFile(path("f")), "Jello world");
    EXPECT_FALSE(fs::exists(temp));
}

TEST_F(AtomicFileTest, TemporaryNamesAreUniqueEvenForA250ByteName) {
    const std::string name(250, 'n');
    AtomicFile first, second;
    ASSERT_TRUE(first.open(path(name)));
    ASSERT_TRUE(second.open(path(name)));
    EXPECT_NE(first.temporaryPath(), second.temporaryPath());
    ASSERT_TRUE(first.write("1", 1));
    ASSERT_TRUE(first.commit());
    second.discard();
    EXPECT_EQ(ReadFile(path(name)), "1");
    EXPECT_EQ(files(), (std::set<std::string>{name}));
}

TEST_F(AtomicFileTest, FailuresLeaveTheTargetAndNoTemporaryFile) {
    WriteFile(path("f"), "keep me");
    {
        AtomicFile dropped;
        ASSERT_TRUE(dropped.open(path("f")));
        ASSERT_TRUE(dropped.write("half", 4));
    } // never committed
    EXPECT_EQ(ReadFile(path("f")), "keep me");
    EXPECT_EQ(files(), (std::set<std::string>{"f"}));

    // The signal handlers' view: the registered temporary goes, and the commit then fails.
    AtomicFile interrupted;
    ASSERT_TRUE(interrupted.open(path("f")));
    ASSERT_TRUE(interrupted.write("half", 4));
    fileio::RemoveTemporariesNow();
    EXPECT_FALSE(fs::exists(interrupted.temporaryPath()));
    EXPECT_FALSE(interrupted.commit());
    EXPECT_EQ(ReadFile(path("f")), "keep me");

    EXPECT_FALSE(WriteFileAtomically(path("missing/f"), "x"));
    EXPECT_EQ(errno, ENOENT);
    fs::create_directory(path("folder"));
    EXPECT_FALSE(WriteFileAtomically(path("folder"), "x"));
    EXPECT_EQ(errno, EISDIR);
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(WriteFileAtomically(path("fifo"), "x"));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(fs::is_fifo(path("fifo")));
    EXPECT_EQ(files(), (std::set<std::string>{"f", "fifo", "folder"}));
}

} // namespace
