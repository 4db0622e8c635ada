// The writer against unusual archives and files: long names, planted links, read-only and linked
// archives, special files, names that are not UTF-8. Every refusal leaves the archive byte for
// byte.
#include "VFunzip.h"
#include "VFzip.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <set>
#include <sys/stat.h>

using namespace zipcomponent;
using namespace ziptest;

namespace {

class VFzipHostileTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        WriteFile(path("src/a.txt"), "top a");
        WriteFile(path("src/b.txt"), "bee");
        zip.ZipFileName = path("out.zip");
        zip.NoPathNames = 1;
        zip.ZipMessage = [this](const std::string &m) { messages.push_back(m); };
    }
    std::set<std::string> files(const std::string &folder = "") const {
        std::set<std::string> names;
        for (const auto &e : fs::directory_iterator(path(folder)))
            names.insert(e.path().filename().string());
        return names;
    }
    static mode_t mode(const std::string &path) {
        struct stat st {};
        stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }
    std::string failureOf(const std::function<void()> &call) {
        try {
            call();
        } catch (const ZipError &e) {
            return e.description();
        }
        return "(no failure)";
    }

    VFzip zip;
    std::vector<std::string> messages;
};

const std::string kEmptyArchive("PK\5\6" + std::string(18, '\0'));

TEST_F(VFzipHostileTest, DeletingEveryEntryOfALongNamedArchiveLeavesAnEmptyArchive) {
    zip.ZipFileName = path(std::string(246, 'n') + ".zip"); // 250 bytes
    zip.AddFile(path("src/a.txt"));
    zip.AddFile(path("src/b.txt"));
    zip.BeginBatch();
    zip.DeleteEntry("a.txt");
    zip.DeleteEntry("b.txt");
    zip.CommitBatch();
    EXPECT_EQ(ReadFile(zip.ZipFileName), kEmptyArchive);
    EXPECT_EQ(files(), (std::set<std::string>{"src", std::string(246, 'n') + ".zip"}));
}

TEST_F(VFzipHostileTest, AFailedEmptyingLeavesTheArchiveByteForByte) {
    WriteFile(path("box/keep.zip"), "");
    zip.ZipFileName = path("box/keep.zip");
    zip.AddFile(path("src/a.txt"));
    const std::string before = ReadFile(zip.ZipFileName);
    // While the change is pending, the archive's folder moves away and a file takes its name:
    // the empty archive cannot be written where the archive was.
    zip.ZipMessage = [this](const std::string &) {
        fs::rename(path("box"), path("moved"));
        WriteFile(path("box"), "not a folder");
    };
    EXPECT_THROW(zip.DeleteEntry("a.txt"), ZipError);
    EXPECT_EQ(ReadFile(path("moved/keep.zip")), before);
    EXPECT_EQ(files("moved"), (std::set<std::string>{"keep.zip"}));
}

TEST_F(VFzipHostileTest, ALinkPlantedAtAnOldTemporaryNameIsNeverWrittenThrough) {
    zip.AddFile(path("src/a.txt"));
    WriteFile(path("victim"), "precious");
    fs::create_symlink(path("victim"), path("out.zip.mivo-part"));
    zip.AddFile(path("src/b.txt"));
    zip.BeginBatch();
    zip.DeleteEntry("a.txt");
    zip.DeleteEntry("b.txt");
    zip.CommitBatch();
    EXPECT_EQ(ReadFile(path("victim")), "precious");
    EXPECT_FALSE(fs::is_symlink(zip.ZipFileName));
    EXPECT_EQ(ReadFile(zip.ZipFileName), kEmptyArchive);
    EXPECT_EQ(files(), (std::set<std::string>{"src", "victim", "out.zip", "out.zip.mivo-part"}));
}

TEST_F(VFzipHostileTest, ALinkedArchiveIsChangedWhereItLivesAndTheLinkStays) {
    fs::create_directory(path("real"));
    zip.ZipFileName = path("real/a.zip");
    zip.AddFile(path("src/a.txt"));
    fs::create_symlink("real/a.zip", path("link.zip"));
    zip.ZipFileName = path("link.zip");
    zip.AddFile(path("src/b.txt"));
    EXPECT_TRUE(fs::is_symlink(path("link.zip")));
    EXPECT_EQ(Shell("unzip -tq " + Quote(path("real/a.zip"))), 0);
    EXPECT_EQ(Shell("unzip -l " + Quote(path("real/a.zip")) + " b.txt"), 0);
    zip.BeginBatch();
    zip.DeleteEntry("a.txt");
    zip.DeleteEntry("b.txt");
    zip.CommitBatch();
    EXPECT_TRUE(fs::is_symlink(path("link.zip")));
    EXPECT_EQ(ReadFile(path("real/a.zip")), kEmptyArchive);
}

TEST_F(VFzipHostileTest, RewritingKeepsTheModeAndAReadOnlyArchiveIsRefused) {
    zip.AddFile(path("src/a.txt"));
    ASSERT_EQ(chmod(zip.ZipFileName.c_str(), 0640), 0);
    zip.AddFile(path("src/b.txt"));
    EXPECT_EQ(mode(zip.ZipFileName), 0640u);
    zip.BeginBatch();
    zip.DeleteEntry("a.txt");
    zip.DeleteEntry("b.txt");
    zip.CommitBatch();
    EXPECT_EQ(mode(zip.ZipFileName), 0640u);

    zip.AddFile(path("src/a.txt"));
    ASSERT_EQ(chmod(zip.ZipFileName.c_str(), 0444), 0);
    const std::string before = ReadFile(zip.ZipFileName);
    const std::string refusal =
        "L'archive « " + zip.ZipFileName + " » est en lecture seule. Elle n'est pas modifiée.";
    EXPECT_EQ(failureOf([&] { zip.AddFile(path("src/b.txt")); }), refusal);
    EXPECT_EQ(failureOf([&] { zip.DeleteEntry("a.txt"); }), refusal);
    EXPECT_EQ(ReadFile(zip.ZipFileName), before);
    EXPECT_EQ(mode(zip.ZipFileName), 0444u);
}

TEST_F(VFzipHostileTest, OnlyRegularFilesAreAddedAndSpecialArchivesAreRefusedAtOnce) {
    ASSERT_EQ(mkfifo(path("src/fifo").c_str(), 0600), 0);
    zip.AddFile(path("src/a.txt"));
    const std::string before = ReadFile(zip.ZipFileName);
    EXPECT_EQ(failureOf([&] { zip.AddFile(path("src/fifo")); }),
              "« " + path("src/fifo") + " » n'est pas un fichier ordinaire : il n'est pas ajouté.");
    EXPECT_EQ(failureOf([&] { zip.AddFile("/dev/zero"); }),
              "« /dev/zero » n'est pas un fichier ordinaire : il n'est pas ajouté.");
    EXPECT_EQ(ReadFile(zip.ZipFileName), before);

    // In a folder the FIFO is passed over with a message; the files are added.
    zip.NoPathNames = 0;
    zip.AddFile(path("src"));
    EXPECT_NE(std::find(messages.begin(), messages.end(),
                        "Ignoré (ce n'est pas un fichier ordinaire) : " + path("src/fifo")),
              messages.end());
    EXPECT_EQ(Shell("unzip -l " + Quote(zip.ZipFileName) + " '*/src/b.txt'"), 0);

    for (const std::string &archive : {path("src/fifo"), std::string("/dev/null")}) {
        zip.ZipFileName = archive;
        const std::string refusal =
            "« " + archive + " » n'est pas un fichier ordinaire : ce ne peut pas être une archive.";
        EXPECT_EQ(failureOf([&] { zip.AddFile(path("src/a.txt")); }), refusal);
        EXPECT_EQ(failureOf([&] { zip.DeleteEntry("a.txt"); }), refusal);
    }
    EXPECT_TRUE(fs::is_fifo(path("src/fifo")));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// The central directory's record of the only entry: its general purpose flags and its name.
std::pair<unsigned, std::string> onlyCentralRecord(const std::string &archive) {
    const std::string bytes = ReadFile(archive);
    const std::size_t at = bytes.find("PK\1\2");
    if (at == std::string::npos) return {};
    const auto u16 = [&](std::size_t i) {
        return unsigned(static_cast<unsigned char>(bytes[at + i])) |
               unsigned(static_cast<unsigned char>(bytes[at + i + 1])) << 8;
    };
    return {u16(8), bytes.substr(at + 46, u16(28))};
}

TEST_F(VFzipHostileTest, NamesThatAreNotUtf8AreStoredAsTheirBytesWithoutTheUtf8Flag) {
    WriteFile(path("src/caf\xe9.txt"), "latin-1 name");
    zip.AddFile(path("src/caf\xe9.txt"));
    const auto [flags, name] = onlyCentralRecord(zip.ZipFileName);
    EXPECT_EQ(name, "caf\xe9.txt");
    EXPECT_EQ(flags & 0x800u, 0u);
    std::vector<std::string> listed;
    VFunzip unzip;
    unzip.ArchivePath = zip.ZipFileName;
    unzip.FileInfo = [&](std::int64_t, std::int64_t, std::int64_t, int, int, int, int, int,
                         const std::string &file, const std::string &, const std::string &,
                         std::uint32_t, int) { listed.push_back(file); };
    unzip.ListEntries();
    EXPECT_EQ(listed, std::vector<std::string>{"caf\xc3\x9a.txt"}); // 0xE9 in code page 850: Ú
    EXPECT_EQ(Shell("unzip -tq " + Quote(zip.ZipFileName)), 0);

    // An accented UTF-8 name keeps the flag; with a control character, libzip wants its bytes.
    fs::remove(zip.ZipFileName);
    WriteFile(path("src/été.txt"), "utf-8 name");
    zip.AddFile(path("src/été.txt"));
    EXPECT_EQ(onlyCentralRecord(zip.ZipFileName), std::make_pair(0x800u, std::string("été.txt")));
    fs::remove(zip.ZipFileName);
    WriteFile(path("src/bell\aé\x1b.txt"), "control");
    zip.AddFile(path("src/bell\aé\x1b.txt"));
    EXPECT_EQ(onlyCentralRecord(zip.ZipFileName).second, "bell\aé\x1b.txt");
}

TEST_F(VFzipHostileTest, AFileThatCannotBeReadIsNamedAndTheBatchKeepsTheOthers) {
    zip.AddFile(path("src/a.txt"));
    const std::string before = ReadFile(zip.ZipFileName);
    EXPECT_EQ(failureOf([&] { zip.AddFile("/proc/self/mem"); }),
              "Lecture impossible de « /proc/self/mem » (Erreur d'entrée/sortie) : le fichier "
              "n'est pas ajouté.");
    EXPECT_EQ(ReadFile(zip.ZipFileName), before);

    // Checked when added: one bad file is refused, the batch goes on with the others.
    WriteFile(path("src/c.txt"), "sea");
    zip.BeginBatch();
    EXPECT_THROW(zip.AddFile(path("src/missing.txt")), ZipError);
    zip.AddFile(path("src/b.txt"));
    zip.CommitBatch();
    EXPECT_EQ(Shell("unzip -l " + Quote(zip.ZipFileName) + " a.txt b.txt"), 0);

    // A file that goes wrong after its check refuses the commit, which names it.
    const std::string kept = ReadFile(zip.ZipFileName);
    zip.BeginBatch();
    zip.AddFile(path("src/c.txt"));
    fs::remove(path("src/c.txt"));
    ASSERT_EQ(mkfifo(path("src/c.txt").c_str(), 0600), 0); // and never blocks the commit
    EXPECT_EQ(failureOf([&] { zip.CommitBatch(); }),
              "Lecture impossible de « " + path("src/c.txt") + " » : l'archive « " +
                  zip.ZipFileName + " » n'a pas été modifiée.");
    EXPECT_EQ(ReadFile(zip.ZipFileName), kept);
}

TEST_F(VFzipHostileTest, TwoFilesGivingOneNameInOneChangeAreReported) {
    WriteFile(path("d1/f"), "first");
    WriteFile(path("d2/f"), "second");
    zip.BeginBatch();
    zip.AddFile(path("d1/f"));
    zip.AddFile(path("d2/f"));
    zip.CommitBatch();
    EXPECT_NE(std::find(messages.begin(), messages.end(),
                        "« " + path("d2/f") + " » remplace « " + path("d1/f") +
                            " » : les deux portent le nom « f » dans l'archive."),
              messages.end());
    // Replacing an entry of the archive as it was is an update, not worth a word.
    messages.clear();
    zip.AddFile(path("d1/f"));
    EXPECT_EQ(messages, std::vector<std::string>{"Ajout de f"});
}

} // namespace
