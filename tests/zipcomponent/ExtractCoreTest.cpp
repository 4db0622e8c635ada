// The extraction core, where every entry reaches the disk: its safety checks hold for every
// caller, folders are used through descriptors, temporary files are registered and never left.
#include "ArchiveReader.h"
#include "RichsoftVBZip.h"
#include "TemporaryFiles.h"
#include "VFunzip.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <tuple>

using namespace zipcomponent;
using namespace ziptest;

namespace {

class ExtractCoreTest : public TempDirTest {
protected:
    std::string refusal(ArchiveReader &reader, const std::string &name) {
        const EntryInfo *entry = reader.find(name);
        EXPECT_NE(entry, nullptr) << name;
        if (!entry) return {};
        try {
            reader.writeEntry(*entry, path("out"), nullptr, {});
        } catch (const ZipError &e) {
            return e.description();
        }
        return "<written>";
    }
};

// The core refuses on its own, whoever calls it: no caller repeats the checks.
TEST_F(ExtractCoreTest, TheEntryWriterRefusesUnsafeEntriesItself) {
    MakeRawArchive(path("evil.zip"), {{"../up.txt", "x"},
                                      {"a\\..\\..\\up2.txt", "x"},
                                      {"link", "/etc", true},
                                      {"/abs/f.txt", "absolute"},
                                      {"d:\\w\\f.txt", "drive"}});
    ArchiveReader reader(path("evil.zip"));
    fs::create_directories(path("out"));
    EXPECT_EQ(refusal(reader, "../up.txt"),
              "« ../up.txt » sortirait du dossier de destination : l'entrée n'est pas extraite.");
    EXPECT_EQ(refusal(reader, "a/../../up2.txt"),
              "« a/../../up2.txt » sortirait du dossier de destination : l'entrée n'est pas "
              "extraite.");
    EXPECT_EQ(refusal(reader, "link"), "« link » est un lien symbolique : il n'est pas extrait.");
    EXPECT_EQ(refusal(reader, "/abs/f.txt"), "<written>");
    EXPECT_EQ(refusal(reader, "d:/w/f.txt"), "<written>");
    EXPECT_EQ(ReadFile(path("out/abs/f.txt")), "absolute");
    EXPECT_EQ(ReadFile(path("out/w/f.txt")), "drive");
    // A link entry is neither created as a link nor as a file holding its target.
    EXPECT_FALSE(fs::exists(fs::symlink_status(path("out/link"))));
    EXPECT_FALSE(fs::exists(path("up.txt")));
    EXPECT_FALSE(fs::exists(path("up2.txt")));
}

TEST_F(ExtractCoreTest, TheUnpackerGetsTheSameRefusalsAndTexts) {
    MakeRawArchive(path("s.zip"), {{"link", "/etc/passwd", true}, {"ok.txt", "ok"}});
    RichsoftVBZip vb;
    vb.ArchiveFile(path("s.zip"));
    try {
        vb.ExtractSelected(path("out"), {"link", "ok.txt"}, false, false, 0);
        FAIL() << "a link entry was accepted";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(), "« link » est un lien symbolique : il n'est pas extrait.");
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(path("out/link"))));
    EXPECT_EQ(ReadFile(path("out/ok.txt")), "ok");
}

// An entry that cannot be read is refused before anything reaches the disk: no folder of its
// path is made, and a file already at its target raises no overwrite question. Each row makes
// a.zip in the folder given, with docs/sub/w.bin refused for its own reason.
struct RefusedEntry {
    const char *label;
    void (*make)(const std::string &folder);
    std::string reason;
};

void PrintTo(const RefusedEntry &row, std::ostream *out) {
    *out << row.label;
}

// Sets the compression method of the entry stored as `rawName`, in both of its headers.
void SetMethod(const std::string &archive, const std::string &rawName, std::uint16_t method) {
    std::string bytes = ReadFile(archive);
    int set = 0;
    for (const auto &[signature, methodAt, nameAt] :
         {std::tuple{std::string("PK\x03\x04", 4), 8, 30},
          std::tuple{std::string("PK\x01\x02", 4), 10, 46}})
        for (std::size_t at = 0; (at = bytes.find(signature, at)) != std::string::npos; at += 4)
            if (bytes.compare(at + nameAt, rawName.size(), rawName) == 0) {
                bytes[at + methodAt] = static_cast<char>(method & 0xFF);
                bytes[at + methodAt + 1] = static_cast<char>(method >> 8);
                ++set;
            }
    ASSERT_EQ(set, 2);
    WriteFile(archive, bytes);
}

class RefusalsComeFirst : public TempDirTest, public ::testing::WithParamInterface<RefusedEntry> {
protected:
    // Extracts docs/sub/w.bin into out/, with every question counted and the password declined.
    std::string refusal() {
        VFunzip unzip;
        unzip.ArchivePath = path("a.zip");
        unzip.DestinationFolder = path("out");
        unzip.ConfirmOverwrite = 1;
        unzip.ConfirmReplace = [this](const std::string &) {
            ++replaceQuestions;
            return true;
        };
        unzip.PasswordQuestion = [](const std::string &) { return std::nullopt; };
        try {
            unzip.ExtractEntry("docs/sub/w.bin");
        } catch (const ZipError &e) {
            return e.description();
        }
        return "<extracted>";
    }
    int replaceQuestions = 0;
};

TEST_P(RefusalsComeFirst, NoFolderIsMadeAndNoOverwriteQuestionAsked) {
    GetParam().make(root.string());
    fs::create_directories(path("out"));
    EXPECT_EQ(refusal(), GetParam().reason);
    EXPECT_TRUE(fs::is_empty(path("out"))) << "a folder of the refused entry was made";

    WriteFile(path("out/docs/sub/w.bin"), "mine");
    EXPECT_EQ(refusal(), GetParam().reason);
    EXPECT_EQ(replaceQuestions, 0);
    EXPECT_EQ(ReadFile(path("out/docs/sub/w.bin")), "mine");
}

INSTANTIATE_TEST_SUITE_P(
    Refused, RefusalsComeFirst,
    ::testing::Values(
        RefusedEntry{
            "UnsupportedMethod",
            [](const std::string &folder) {
                MakeRawArchive(folder + "/a.zip", {{"docs/sub/w.bin", "data", false, true}});
                SetMethod(folder + "/a.zip", "docs/sub/w.bin", 97);
            },
            "La méthode de compression de « docs/sub/w.bin » n'est pas prise en charge."},
        RefusedEntry{
            "UnknownEncryption",
            [](const std::string &folder) {
                MakeRawArchive(folder + "/a.zip", {{"docs/sub/w.bin", "data", false, true}});
                SetHeaderFlags(folder + "/a.zip", "docs/sub/w.bin", 0x0041);
            },
            "Le chiffrement de « docs/sub/w.bin » n'est pas pris en charge."},
        RefusedEntry{"PasswordDeclined",
                     [](const std::string &folder) {
                         WriteFile(folder + "/src/docs/sub/w.bin", "secret data");
                         ASSERT_EQ(Shell("cd " + Quote(folder + "/src") +
                                         " && zip -q -P secret ../a.zip docs/sub/w.bin"),
                                   0);
                     },
                     "Aucun mot de passe donné : « docs/sub/w.bin » n'est pas extrait."}),
    [](const ::testing::TestParamInfo<RefusedEntry> &row) { return row.param.label; });

// A folder on the way swapped for a link to an outside folder while an entry below it is
// written: that entry fails, the next one through the link fails, nothing lands outside or in
// the moved folder, no temporary file stays.
TEST_F(ExtractCoreTest, AFolderSwappedForALinkDuringExtractionWritesNothingOutside) {
    MakeRawArchive(path("a.zip"), {{"top/sub/first.txt", "one"}, {"top/sub/second.txt", "two"}});
    fs::create_directories(path("outside"));
    VFunzip unzip;
    std::vector<std::string> messages;
    unzip.DisplayMessage = [&](const std::string &m) { messages.push_back(m); };
    bool swapped = false;
    unzip.Progress = [&](std::int64_t, std::int64_t, const std::string &) {
        if (swapped) return;
        swapped = true;
        fs::rename(path("out/top"), path("out/moved"));
        fs::create_directory_symlink(path("outside"), path("out/top"));
    };
    unzip.ArchivePath = path("a.zip");
    unzip.DestinationFolder = path("out");
    EXPECT_THROW(unzip.ExtractAll(), ZipError);
    ASSERT_TRUE(swapped);
    EXPECT_TRUE(fs::is_empty(path("outside")));
    EXPECT_TRUE(fs::is_empty(path("out/moved/sub")));
    EXPECT_EQ(LeftoverTemporaries(root.string()), std::vector<std::string>{});
    const std::vector<std::string> expected{
        "Extraction de top/sub/first.txt",
        "Le dossier de « top/sub/first.txt » a été remplacé pendant l'extraction : l'entrée "
        "n'est pas extraite.",
        "Extraction de top/sub/second.txt",
        "Le chemin de « top/sub/second.txt » passe par un lien symbolique : l'entrée n'est pas "
        "extraite."};
    EXPECT_EQ(messages, expected);
}

// While an entry is written its temporary file is registered by its absolute path, so that a
// tool ending on a signal removes it; once renamed into place it no longer is.
TEST_F(ExtractCoreTest, TemporaryFilesAreRegisteredUntilRenamed) {
    MakeRawArchive(path("a.zip"), {{"d/cut.txt", "cut"}, {"kept.txt", "kept"}});
    VFunzip unzip;
    std::vector<std::string> duringWrite;
    unzip.Progress = [&](std::int64_t written, std::int64_t, const std::string &) {
        if (written != 0 || !duringWrite.empty()) return;
        duringWrite = LeftoverTemporaries(root.string());
        fileio::RemoveTemporariesNow(); // what the signal handler does
    };
    unzip.ArchivePath = path("a.zip");
    unzip.DestinationFolder = path("out");
    EXPECT_THROW(unzip.ExtractAll(), ZipError);
    ASSERT_EQ(duringWrite.size(), 1u);
    EXPECT_EQ(fs::path(duringWrite[0]).parent_path(), path("out/d"));
    EXPECT_FALSE(fs::exists(path("out/d/cut.txt")));
    EXPECT_EQ(LeftoverTemporaries(root.string()), std::vector<std::string>{});
    fileio::RemoveTemporariesNow();
    EXPECT_EQ(ReadFile(path("out/kept.txt")), "kept");
}

TEST_F(ExtractCoreTest, AnEmptyDestinationIsRefusedAndNothingIsWritten) {
    // A name nobody has at the root: were it extracted there, the test would see it.
    const std::string name = "mivo-empty-destination-" + root.filename().string() + ".txt";
    MakeRawArchive(path("a.zip"), {{name, "x"}});
    const std::string text = "Aucun dossier de destination n'est indiqué : rien n'est extrait.";
    VFunzip unzip;
    unzip.ArchivePath = path("a.zip");
    for (int call = 0; call < 2; ++call) {
        try {
            call == 0 ? unzip.ExtractAll() : unzip.ExtractEntry(name);
            ADD_FAILURE() << "extracted with no destination";
        } catch (const ZipError &e) {
            EXPECT_EQ(e.description(), text);
        }
    }
    RichsoftVBZip vb;
    vb.ArchiveFile(path("a.zip"));
    try {
        vb.ExtractSelected("", {name}, false, false, 0);
        ADD_FAILURE() << "extracted with no destination";
    } catch (const ZipError &e) {
        EXPECT_EQ(e.description(), text);
    }
    const bool escaped = fs::exists("/" + name);
    fs::remove("/" + name);
    EXPECT_FALSE(escaped);
}

// The library reads no process-wide setting once and for all, and sets none: the mode asked
// for at creation gets the umask of the moment, and TZ stays as the program left it.
TEST_F(ExtractCoreTest, ModesFollowTheCurrentUmaskAndTheTimeZoneIsLeftAlone) {
    WriteFile(path("src/shared.txt"), "rw for all");
    WriteFile(path("src/script.sh"), "#!/bin/sh\n");
    chmod(path("src/shared.txt").c_str(), 0666);
    chmod(path("src/script.sh").c_str(), 0751);
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -q ../m.zip shared.txt script.sh"), 0);
    const char *savedTz = std::getenv("TZ");
    const std::string tz = savedTz ? savedTz : "";
    unsetenv("TZ");
    auto modesAfterExtractingTo = [&](const std::string &folder, mode_t mask) {
        const mode_t previous = umask(mask);
        VFunzip unzip;
        unzip.ArchivePath = path("m.zip");
        unzip.DestinationFolder = path(folder);
        unzip.ExtractAll();
        umask(previous);
        struct stat a {
        }, b{};
        stat(path(folder + "/shared.txt").c_str(), &a);
        stat(path(folder + "/script.sh").c_str(), &b);
        return std::make_pair(a.st_mode & 07777, b.st_mode & 07777);
    };
    EXPECT_EQ(modesAfterExtractingTo("o22", 022), std::make_pair(mode_t{0644}, mode_t{0751}));
    EXPECT_EQ(modesAfterExtractingTo("o77", 077), std::make_pair(mode_t{0600}, mode_t{0700}));
    EXPECT_EQ(std::getenv("TZ"), nullptr);
    if (savedTz) setenv("TZ", tz.c_str(), 1);
}

} // namespace
