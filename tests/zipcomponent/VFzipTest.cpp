// The writer, checked by our reader and by the peers: unzip -t and 7z t.
#include "VFzip.h"
#include "VFunzip.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <set>

using namespace zipcomponent;
using namespace ziptest;

namespace {

// Full names of the file entries, as our reader reports them.
std::set<std::string> Names(const std::string &archive) {
    std::set<std::string> names;
    VFunzip unzip;
    unzip.ArchivePath = archive;
    unzip.FileInfo = [&](std::int64_t, std::int64_t, std::int64_t, int, int, int, int, int,
                         const std::string &file, const std::string &path, const std::string &,
                         std::uint32_t,
                         int) { names.insert(path.empty() ? file : path + "/" + file); };
    unzip.ListEntries();
    return names;
}

class VFzipTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        WriteFile(path("src/a.txt"), "top a");
        WriteFile(path("src/sub/a.txt"), "sub a");
        WriteFile(path("src/sub/deeper/b.txt"), std::string(20000, 'b'));
        zip.ZipFileName = path("out.zip");
        zip.ZipMessage = [this](const std::string &m) { messages.push_back(m); };
    }
    void expectPeersAccept(bool unzipToo = true, const std::string &password = "none") {
        EXPECT_EQ(Shell("7z t -p" + password + " " + Quote(zip.ZipFileName)), 0) << "7z t";
        if (unzipToo) {
            EXPECT_EQ(Shell("unzip -tq " + Quote(zip.ZipFileName)), 0) << "unzip -t";
        }
    }
    // Path of a source file without its leading '/': the entry name with path names kept.
    std::string stored(const std::string &relative) { return path(relative).substr(1); }

    VFzip zip;
    std::vector<std::string> messages;
};

TEST_F(VFzipTest, AddsWithOrWithoutPathNamesAndCreatesTheArchive) {
    zip.NoPathNames = 1;
    zip.AddFile(path("src/sub/deeper/b.txt"));
    EXPECT_TRUE(fs::exists(zip.ZipFileName)); // on disk when the call returns
    zip.NoPathNames = 0;
    zip.AddFile(path("src/a.txt"));
    EXPECT_EQ(Names(zip.ZipFileName), (std::set<std::string>{"b.txt", stored("src/a.txt")}));
    EXPECT_FALSE(messages.empty());
    expectPeersAccept();
}

TEST_F(VFzipTest, AddsAFolderWithOrWithoutItsSubFolders) {
    zip.NoSubFolders = 1;
    zip.AddFile(path("src/sub"));
    EXPECT_EQ(Names(zip.ZipFileName), (std::set<std::string>{stored("src/sub/a.txt")}));
    zip.NoSubFolders = 0;
    zip.AddFile(path("src"));
    EXPECT_EQ(Names(zip.ZipFileName),
              (std::set<std::string>{stored("src/a.txt"), stored("src/sub/a.txt"),
                                     stored("src/sub/deeper/b.txt")}));
    expectPeersAccept();
}

TEST_F(VFzipTest, AddingTheFolderThatHoldsTheArchiveNeverStoresTheArchiveInItself) {
    zip.ZipFileName = path("src/inside.zip");
    zip.NoPathNames = 1;
    zip.AddFile(path("src/a.txt")); // the archive now exists in the folder added next
    zip.NoSubFolders = 1;
    zip.AddFile(path("src"));
    EXPECT_EQ(Names(zip.ZipFileName), (std::set<std::string>{"a.txt"}));
    EXPECT_NE(std::find(messages.begin(), messages.end(),
                        "Ignoré (c'est l'archive elle-même) : " + path("src/inside.zip")),
              messages.end());
    expectPeersAccept();
}

TEST_F(VFzipTest, SameNameIsReplacedNotDuplicated) {
    zip.NoPathNames = 1;
    zip.AddFile(path("src/a.txt"));
    zip.AddFile(path("src/sub/a.txt"));
    ASSERT_EQ(Names(zip.ZipFileName), (std::set<std::string>{"a.txt"}));
    VFunzip unzip;
    unzip.ArchivePath = zip.ZipFileName;
    unzip.DestinationFolder = path("out");
    unzip.ExtractAll();
    EXPECT_EQ(ReadFile(path("out/a.txt")), "sub a");
}

TEST_F(VFzipTest, DeletesOnlyTheChosenOfTwoSameNamedEntries) {
    zip.AddFile(path("src"));
    zip.DeleteEntry(stored("src/sub/a.txt"));
    EXPECT_EQ(Names(zip.ZipFileName),
              (std::set<std::string>{stored("src/a.txt"), stored("src/sub/deeper/b.txt")}));
    EXPECT_THROW(zip.DeleteEntry("not/there.txt"), ZipError);
    expectPeersAccept();
}

TEST_F(VFzipTest, RemovingTheLastEntriesLeavesAnEmptyArchive) {
    zip.NoPathNames = 1;
    zip.AddFile(path("src/a.txt"));
    zip.DeleteEntry("a.txt");
    ASSERT_TRUE(fs::exists(zip.ZipFileName));
    EXPECT_EQ(fs::file_size(zip.ZipFileName), 22u);
    EXPECT_TRUE(Names(zip.ZipFileName).empty());
    zip.AddFile(path("src/a.txt")); // and it can be added to again
    EXPECT_EQ(Names(zip.ZipFileName), (std::set<std::string>{"a.txt"}));
}

TEST_F(VFzipTest, ABatchWritesTheArchiveOnceAtTheEnd) {
    for (int i = 0; i < 1000; ++i)
        WriteFile(path("many/f" + std::to_string(i) + ".txt"), std::to_string(i));
    zip.NoPathNames = 1;
    zip.BeginBatch();
    for (int i = 0; i < 1000; ++i)
        zip.AddFile(path("many/f" + std::to_string(i) + ".txt"));
    EXPECT_FALSE(fs::exists(zip.ZipFileName));
    zip.CommitBatch();
    EXPECT_EQ(Names(zip.ZipFileName).size(), 1000u);

    const std::string before = ReadFile(zip.ZipFileName);
    zip.BeginBatch();
    for (int i = 0; i < 999; ++i)
        zip.DeleteEntry("f" + std::to_string(i) + ".txt");
    EXPECT_EQ(ReadFile(zip.ZipFileName), before);
    zip.CommitBatch();
    EXPECT_EQ(Names(zip.ZipFileName), (std::set<std::string>{"f999.txt"}));
    expectPeersAccept();
}

TEST_F(VFzipTest, AFailedCommitLeavesThePreviousArchiveIntact) {
    zip.NoPathNames = 1;
    zip.AddFile(path("src/a.txt"));
    const std::string before = ReadFile(zip.ZipFileName);
    WriteFile(path("vanishing.txt"), "soon gone");
    zip.BeginBatch();
    zip.AddFile(path("src/sub/deeper/b.txt"));
    zip.AddFile(path("vanishing.txt"));
    fs::remove(path("vanishing.txt"));
    EXPECT_THROW(zip.CommitBatch(), ZipError);
    EXPECT_EQ(ReadFile(zip.ZipFileName), before);
    // Still usable afterwards.
    zip.AddFile(path("src/sub/deeper/b.txt"));
    EXPECT_EQ(Names(zip.ZipFileName), (std::set<std::string>{"a.txt", "b.txt"}));
}

TEST_F(VFzipTest, MissingOrUnreadableSourcesAreRefusedWithoutTouchingTheArchive) {
    zip.NoPathNames = 1;
    zip.AddFile(path("src/a.txt"));
    const std::string before = ReadFile(zip.ZipFileName);
    EXPECT_THROW(zip.AddFile(path("src/none.txt")), ZipError);
    zip.ZipFileName = path("no/such/folder/out.zip");
    EXPECT_THROW(zip.AddFile(path("src/a.txt")), ZipError);
    EXPECT_EQ(ReadFile(path("out.zip")), before);
}

TEST_F(VFzipTest, EmptyPasswordIsRefusedBeforeAnythingIsWritten) {
    zip.NoPathNames = 1;
    zip.AddFile(path("src/a.txt"));
    const std::string before = ReadFile(zip.ZipFileName);
    zip.Encrypt = 1;
    zip.PasswordQuestion = [] { return std::optional<std::string>(""); };
    EXPECT_THROW(zip.AddFile(path("src/sub/deeper/b.txt")), ZipError);
    zip.PasswordQuestion = [] { return std::optional<std::string>(); };
    EXPECT_THROW(zip.AddFile(path("src/sub/deeper/b.txt")), ZipError);
    EXPECT_EQ(ReadFile(zip.ZipFileName), before);
}

TEST_F(VFzipTest, AesEntriesRoundTripAndOpenInSevenZip) {
    int asked = 0;
    zip.Encrypt = 1;
    zip.NoPathNames = 1;
    zip.PasswordQuestion = [&] {
        ++asked;
        return std::optional<std::string>("s3cret é");
    };
    zip.AddFile(path("src/a.txt"));
    zip.AddFile(path("src/sub/deeper/b.txt"));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Shell("7z t '-ps3cret é' " + Quote(zip.ZipFileName)), 0);
    EXPECT_NE(Shell("7z t -pwrong " + Quote(zip.ZipFileName)), 0);

    VFunzip unzip;
    unzip.ArchivePath = zip.ZipFileName;
    unzip.DestinationFolder = path("out");
    unzip.PasswordQuestion = [](const std::string &) { return std::optional<std::string>("nope"); };
    EXPECT_THROW(unzip.ExtractEntry("b.txt"), ZipError);
    EXPECT_FALSE(fs::exists(path("out/b.txt")));
    unzip.PasswordQuestion = [](const std::string &) {
        return std::optional<std::string>("s3cret é");
    };
    unzip.ExtractEntry("b.txt");
    EXPECT_EQ(ReadFile(path("out/b.txt")), std::string(20000, 'b'));

    // Toggling Encrypt, or another archive, asks again.
    zip.Encrypt = 0;
    zip.AddFile(path("src/sub/a.txt"));
    zip.Encrypt = 1;
    zip.AddFile(path("src/a.txt"));
    EXPECT_EQ(asked, 2);
    zip.ZipFileName = path("other.zip");
    zip.AddFile(path("src/a.txt"));
    EXPECT_EQ(asked, 3);
}

TEST_F(VFzipTest, TraditionalEncryptionOpensInUnzipAndAWrongPasswordNeverSucceeds) {
    zip.Encrypt = 1;
    zip.NoPathNames = 1;
    zip.EncryptionMethod = EncryptionKind::Traditional;
    zip.PasswordQuestion = [] { return std::optional<std::string>("secret"); };
    zip.AddFile(path("src/sub/deeper/b.txt"));
    EXPECT_EQ(Shell("unzip -tq -P secret " + Quote(zip.ZipFileName)), 0);
    expectPeersAccept(false, "secret");

    // About one wrong password in 256 passes the one-byte check; none may give a file.
    for (int i = 0; i < 600; ++i) {
        VFunzip unzip;
        unzip.ArchivePath = zip.ZipFileName;
        unzip.DestinationFolder = path("out");
        const std::string guess = "guess" + std::to_string(i);
        unzip.PasswordQuestion = [&](const std::string &) {
            return std::optional<std::string>(guess);
        };
        ASSERT_THROW(unzip.ExtractEntry("b.txt"), ZipError) << guess;
        ASSERT_FALSE(fs::exists(path("out/b.txt")));
    }
}

// Putting an edited copy back: the entry takes the copy's bytes under the password given for
// it, which never serves a later addition; a missing entry changes nothing.
TEST_F(VFzipTest, ReplaceEntryUsesItsOwnPasswordOnceAndRefusesAMissingEntry) {
    zip.Encrypt = 1;
    zip.NoPathNames = 1;
    zip.EncryptionMethod = EncryptionKind::Traditional;
    const std::vector<std::string> given = {"for the add", "for the entry", "for the next add"};
    std::size_t asked = 0;
    zip.PasswordQuestion = [&] { return std::optional<std::string>(given.at(asked++)); };
    zip.AddFile(path("src/a.txt"));
    WriteFile(path("edited.txt"), "edited bytes");
    zip.ReplaceEntry(path("edited.txt"), "a.txt");
    zip.AddFile(path("src/sub/deeper/b.txt"));
    EXPECT_EQ(asked, 3u);
    EXPECT_EQ(Shell("unzip -tq -P 'for the entry' " + Quote(zip.ZipFileName) + " a.txt"), 0);
    EXPECT_EQ(Shell("unzip -tq -P 'for the next add' " + Quote(zip.ZipFileName) + " b.txt"), 0);
    VFunzip unzip;
    unzip.ArchivePath = zip.ZipFileName;
    unzip.DestinationFolder = path("out");
    unzip.PasswordQuestion = [](const std::string &) {
        return std::optional<std::string>("for the entry");
    };
    unzip.ExtractEntry("a.txt");
    EXPECT_EQ(ReadFile(path("out/a.txt")), "edited bytes");

    const std::string before = ReadFile(zip.ZipFileName);
    zip.Encrypt = 0;
    try {
        zip.ReplaceEntry(path("edited.txt"), "missing.txt");
        ADD_FAILURE() << "a missing entry was replaced";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(), "L'entrée « missing.txt » est introuvable dans l'archive.");
    }
    EXPECT_EQ(ReadFile(zip.ZipFileName), before);
    EXPECT_EQ(Names(zip.ZipFileName), (std::set<std::string>{"a.txt", "b.txt"}));
}

TEST_F(VFzipTest, SeventyThousandEntriesNeedZip64AndStayReadable) {
    const int count = 70000;
    for (int i = 0; i < count; ++i)
        WriteFile(path("lots/" + std::to_string(i)), "");
    zip.NoPathNames = 1;
    zip.AddFile(path("lots"));
    EXPECT_EQ(Names(zip.ZipFileName).size(), static_cast<std::size_t>(count));
    expectPeersAccept();
}

TEST_F(VFzipTest, AccentedNamesSurviveTheRoundTripThroughPeers) {
    WriteFile(path("src/Élève à l'école.txt"), "é");
    zip.NoPathNames = 1;
    zip.AddFile(path("src/Élève à l'école.txt"));
    EXPECT_EQ(Names(zip.ZipFileName), (std::set<std::string>{"Élève à l'école.txt"}));
    ASSERT_EQ(Shell("cd " + Quote(path("")) + " && mkdir x && cd x && 7z x ../out.zip"), 0);
    EXPECT_TRUE(fs::exists(path("x/Élève à l'école.txt")));
}

} // namespace
