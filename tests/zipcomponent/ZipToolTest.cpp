// mivo-ziptool from the outside: the list format, the exit statuses.
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

using namespace ziptest;

namespace {

class ZipToolTest : public TempDirTest {
protected:
    // `environment`: assignments put before the command, such as "TZ=Europe/Paris".
    int tool(const std::string &args, const std::string &environment = "") {
        // Shell() sends the output away; this keeps it.
        const std::string command = environment + " " + std::string(MIVO_ZIPTOOL_BIN) + " " + args +
                                    " > " + Quote(path("stdout.txt")) + " 2> " +
                                    Quote(path("stderr.txt"));
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(ZipToolTest, ListPrintsTheRowTextsAndTheFullName) {
    WriteFile(path("src/d/f.txt"), std::string(1000, 'f'), 1700000000);
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -qr ../a.zip d"), 0);
    ASSERT_EQ(tool("list " + Quote(path("a.zip"))), 0);
    const std::string out = ReadFile(path("stdout.txt"));
    EXPECT_EQ(out.substr(0, 6), "f.txt\t");
    EXPECT_NE(out.find("\t1000\t"), std::string::npos) << out;
    EXPECT_NE(out.find("%\t"), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.size() - 11), "\td\td/f.txt\n");
}

TEST_F(ZipToolTest, AddExtractDeleteAndTheirFailures) {
    WriteFile(path("src/a.txt"), "a");
    const std::string archive = Quote(path("t.zip"));
    EXPECT_EQ(tool("add --no-path-names " + archive + " " + Quote(path("src/a.txt"))), 0);
    EXPECT_EQ(tool("extract " + archive + " " + Quote(path("out"))), 0);
    EXPECT_EQ(ReadFile(path("out/a.txt")), "a");
    EXPECT_EQ(tool("delete " + archive + " missing.txt"), 1);
    EXPECT_NE(ReadFile(path("stderr.txt")).find("introuvable"), std::string::npos);
    EXPECT_EQ(tool("delete " + archive + " a.txt"), 0);
    for (const char *command : {"list ", "extract ", "delete "}) {
        const std::string args = command + Quote(path("nowhere/x.zip")) + " out a.txt";
        EXPECT_EQ(
            tool(command == std::string("list ") ? "list " + Quote(path("nowhere/x.zip")) : args),
            1)
            << command;
        EXPECT_EQ(ReadFile(path("stderr.txt")),
                  "Le fichier « " + path("nowhere/x.zip") + " » est introuvable.\n");
    }
    EXPECT_FALSE(fs::exists(path("nowhere")));
    WriteFile(path("junk.zip"), "junk");
    EXPECT_EQ(tool("list " + Quote(path("junk.zip"))), 1);
    EXPECT_EQ(tool("frobnicate x"), 2);
    EXPECT_EQ(tool("add --encrypt rot13 --password p " + archive + " x"), 2);
    EXPECT_EQ(tool("list"), 2);
}

TEST_F(ZipToolTest, ListEscapesControlCharactersInNames) {
    for (const char *name :
         {"tab\there", "d\nir/new\nline", "esc\x1b[31mred\x7f", "c1\xc2\x9b.txt"})
        WriteFile(path(std::string("src/") + name), "x");
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -qr ../c.zip ."), 0);
    ASSERT_EQ(tool("list " + Quote(path("c.zip"))), 0);
    std::set<std::string> firsts, lasts; // zip stores the files in the folder's order
    std::istringstream lines(ReadFile(path("stdout.txt")));
    for (std::string line; std::getline(lines, line);) {
        firsts.insert(line.substr(0, line.find('\t')));
        lasts.insert(line.substr(line.rfind('\t') + 1));
    }
    EXPECT_EQ(firsts, (std::set<std::string>{"tab\\there", "new\\nline", "esc\\x1b[31mred\\x7f",
                                             "c1\\u009b.txt"}));
    EXPECT_EQ(lasts, (std::set<std::string>{"tab\\there", "d\\nir/new\\nline",
                                            "esc\\x1b[31mred\\x7f", "c1\\u009b.txt"}));
}

TEST_F(ZipToolTest, ASecondEntryOfTheSameNameKeptByTheRulesIsTold) {
    // libzip refuses a second entry of a name: the second name is made the first's afterwards.
    MakeRawArchive(path("twice.zip"), {{"x1", "first"}, {"x2", "second"}});
    ASSERT_EQ(PatchBytes(path("twice.zip"), "x2", "x1"), 2); // local header and directory
    EXPECT_EQ(tool("extract " + Quote(path("twice.zip")) + " " + Quote(path("out"))), 0);
    EXPECT_EQ(ReadFile(path("out/x1")), "first");
    EXPECT_EQ(ReadFile(path("stderr.txt")), "Fichier existant conservé : " + path("out") + "/x1\n");
    // Told to replace, the second copy wins, quietly.
    EXPECT_EQ(
        tool("extract --always-overwrite " + Quote(path("twice.zip")) + " " + Quote(path("out"))),
        0);
    EXPECT_EQ(ReadFile(path("out/x1")), "second");
    EXPECT_EQ(ReadFile(path("stderr.txt")), "");
}

TEST_F(ZipToolTest, ExtractGoesOnAfterAMissingNameAndCountsTheFailures) {
    WriteFile(path("src/one.txt"), "1");
    WriteFile(path("src/two.txt"), "2");
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -q ../a.zip one.txt two.txt"), 0);
    EXPECT_EQ(tool("extract " + Quote(path("a.zip")) + " " + Quote(path("out")) +
                   " nope.txt one.txt none.txt two.txt"),
              1);
    EXPECT_EQ(ReadFile(path("out/one.txt")), "1");
    EXPECT_EQ(ReadFile(path("out/two.txt")), "2");
    EXPECT_EQ(ReadFile(path("stderr.txt")),
              "L'entrée « nope.txt » est introuvable dans l'archive.\n"
              "L'entrée « none.txt » est introuvable dans l'archive.\n"
              "2 fichiers n'ont pas pu être extraits : « nope.txt », « none.txt ». L'entrée "
              "« nope.txt » est introuvable dans l'archive.\n");
}

TEST_F(ZipToolTest, SpecialFilesAreRefusedAtOnceAndUnreadableFilesNamed) {
    ASSERT_EQ(mkfifo(path("fifo.zip").c_str(), 0600), 0);
    WriteFile(path("a.txt"), "a");
    const std::string refusal = "« " + path("fifo.zip") +
                                " » n'est pas un fichier ordinaire : ce ne peut pas être une "
                                "archive.\n";
    for (const std::string &command :
         {"list " + Quote(path("fifo.zip")), "extract " + Quote(path("fifo.zip")) + " out",
          "add " + Quote(path("fifo.zip")) + " " + Quote(path("a.txt")),
          "delete " + Quote(path("fifo.zip")) + " a.txt"}) {
        EXPECT_EQ(tool(command), 1) << command;
        EXPECT_EQ(ReadFile(path("stderr.txt")), refusal) << command;
    }

    // One file that cannot be added is named; the others are added.
    EXPECT_EQ(tool("add --no-path-names " + Quote(path("t.zip")) + " /proc/self/mem /dev/zero " +
                   Quote(path("a.txt"))),
              1);
    EXPECT_EQ(ReadFile(path("stderr.txt")),
              "Lecture impossible de « /proc/self/mem » (Erreur d'entrée/sortie) : le fichier "
              "n'est pas ajouté.\n"
              "« /dev/zero » n'est pas un fichier ordinaire : il n'est pas ajouté.\n");
    EXPECT_EQ(Shell("unzip -l " + Quote(path("t.zip")) + " a.txt"), 0);
}

// A signal during a long add: the tool removes its temporary file and ends by that signal.
TEST_F(ZipToolTest, ASignalDuringAnAddLeavesNoTemporaryFile) {
    std::string big(48 << 20, '\0'); // random bytes: deflate works long on them
    std::mt19937_64 rng(31122020);
    for (std::size_t i = 0; i + 8 <= big.size(); i += 8) {
        const std::uint64_t word = rng();
        std::memcpy(&big[i], &word, 8);
    }
    WriteFile(path("big.bin"), big);
    WriteFile(path("a.txt"), "a");
    ASSERT_EQ(tool("add --no-path-names " + Quote(path("t.zip")) + " " + Quote(path("a.txt"))), 0);
    const std::string before = ReadFile(path("t.zip"));

    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t pid = SpawnWithDefaultSignal(
            {MIVO_ZIPTOOL_BIN, "add", path("t.zip"), path("big.bin")}, signal);
        ASSERT_GT(pid, 0);
        // Wait until the new archive is being written, then interrupt.
        const auto temporary = [&] {
            for (const auto &e : fs::directory_iterator(root))
                if (e.path().filename().string().rfind(".t.zip.", 0) == 0) return true;
            return false;
        };
        for (int i = 0; i < 20000 && !temporary(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(temporary()) << "the add ended before its temporary file was seen";
        kill(pid, signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        EXPECT_FALSE(temporary()) << signal;
        EXPECT_EQ(ReadFile(path("t.zip")), before);
    }
}

// The file's 2021-06-30 23:30:00 UTC: 1 July in Paris and Tokyo, 30 June in New York.
constexpr std::time_t kSummerNight = 1625095800;

struct ZoneRow {
    const char *name;
    const char *madeIn, *readIn; // time zones of zip, and of the reader and unzip
    const char *zipOptions;      // -X: no Unix time field
    const char *date;            // the list's date column
    std::time_t mtime;           // of the extracted file
};

void PrintTo(const ZoneRow &row, std::ostream *os) {
    *os << row.name;
}

class EntryTimes : public ZipToolTest, public ::testing::WithParamInterface<ZoneRow> {};

// The DOS time is the local time of wherever the archive was made; Info-ZIP's Unix time field
// says the instant. Listing and extracting go by the field as unzip does, and by the DOS time as
// local time without it.
TEST_P(EntryTimes, AreReadAsUnzipReadsThemInAnotherTimeZone) {
    const ZoneRow &row = GetParam();
    WriteFile(path("src/f.txt"), "summer night", kSummerNight);
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && TZ=" + row.madeIn + " zip -q " +
                    row.zipOptions + " ../a.zip f.txt"),
              0);
    const std::string readIn = std::string("TZ=") + row.readIn;
    ASSERT_EQ(tool("list " + Quote(path("a.zip")), readIn), 0);
    EXPECT_EQ(ReadFile(path("stdout.txt")),
              "f.txt\t" + std::string(row.date) + "\t12\t0%\t12\t\tf.txt\n");
    ASSERT_EQ(tool("extract " + Quote(path("a.zip")) + " " + Quote(path("ours")), readIn), 0);
    ASSERT_EQ(Shell(readIn + " unzip -q " + Quote(path("a.zip")) + " -d " + Quote(path("theirs"))),
              0);
    EXPECT_EQ(MTime(path("theirs/f.txt")), row.mtime);
    EXPECT_EQ(MTime(path("ours/f.txt")), row.mtime);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, EntryTimes,
    ::testing::Values(ZoneRow{"MadeInUtcReadInParis", "UTC", "Europe/Paris", "", "01/07/2021",
                              kSummerNight},
                      ZoneRow{"MadeInTokyoReadInNewYork", "Asia/Tokyo", "America/New_York", "",
                              "30/06/2021", kSummerNight},
                      ZoneRow{"WithoutTheFieldTheDosTimeIsLocal", "UTC", "Europe/Paris", "-X",
                              "30/06/2021", kSummerNight - 7200}),
    [](const auto &info) { return info.param.name; });

// The data of every extra field `id` of the entry `name`, in its local header or in the central
// directory.
std::vector<std::string> ExtraFields(const std::string &archive, const std::string &name,
                                     bool central, std::uint16_t id) {
    const std::string bytes = ReadFile(archive);
    const auto le16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]) |
                                        static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    const std::string signature = central ? "PK\x01\x02" : "PK\x03\x04";
    const std::size_t header = central ? 46 : 30, lengths = central ? 28 : 26;
    std::vector<std::string> fields;
    for (std::size_t at = bytes.find(signature); at != std::string::npos;
         at = bytes.find(signature, at + 4)) {
        const std::size_t nameLength = le16(at + lengths), extraLength = le16(at + lengths + 2);
        if (bytes.compare(at + header, nameLength, name) != 0) continue;
        const std::size_t extra = at + header + nameLength;
        for (std::size_t f = extra; f + 4 <= extra + extraLength; f += 4 + le16(f + 2))
            if (le16(f) == id) fields.push_back(bytes.substr(f + 4, le16(f + 2)));
    }
    return fields;
}

class UnixTimeField : public ZipToolTest, public ::testing::WithParamInterface<bool> {};

// Our entries carry the Unix time field as Info-ZIP writes it, once in each header, also where
// they replace an entry that had one: unzip in another time zone gets the file's own time.
TEST_P(UnixTimeField, IsWrittenOnceInEachHeader) {
    const bool replacing = GetParam();
    if (replacing) {
        WriteFile(path("f.txt"), "old", kSummerNight);
        ASSERT_EQ(Shell("cd " + Quote(root.string()) + " && zip -q a.zip f.txt"), 0);
        ASSERT_EQ(ExtraFields(path("a.zip"), "f.txt", false, 0x5455).at(0).size(), 9u);
    }
    constexpr std::time_t kNovember = 1700000000; // 2023-11-14 22:13:20 UTC
    WriteFile(path("f.txt"), "new", kNovember);
    ASSERT_EQ(
        tool("add --no-path-names " + Quote(path("a.zip")) + " " + Quote(path("f.txt")), "TZ=UTC"),
        0);
    const std::vector<std::string> once{std::string("\x01\x00\xF1\x53\x65", 5)};
    EXPECT_EQ(ExtraFields(path("a.zip"), "f.txt", false, 0x5455), once);
    EXPECT_EQ(ExtraFields(path("a.zip"), "f.txt", true, 0x5455), once);
    ASSERT_EQ(
        Shell("TZ=Europe/Paris unzip -q " + Quote(path("a.zip")) + " -d " + Quote(path("out"))), 0);
    EXPECT_EQ(ReadFile(path("out/f.txt")), "new");
    EXPECT_EQ(MTime(path("out/f.txt")), kNovember);
}

INSTANTIATE_TEST_SUITE_P(Entries, UnixTimeField, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Replaced" : "New"; });

class FullDisk : public ZipToolTest, public ::testing::WithParamInterface<bool> {};

// On a 512 KiB file system of its own (a private mount namespace), an add that cannot fit says
// that the disk is full, names the archive, and leaves the archive and the disk as they were.
TEST_P(FullDisk, IsToldAndNamesTheArchive) {
    const bool existing = GetParam();
    if (Shell("unshare -rm sh -c 'mount -t tmpfs -o size=4k tmpfs " + Quote(root.string()) + "'") !=
        0)
        GTEST_SKIP() << "no private mount namespace here";
    std::mt19937_64 rng(7);
    auto incompressible = [&](std::size_t size) {
        std::string data(size, '\0');
        for (auto &c : data)
            c = static_cast<char>(rng());
        return data;
    };
    WriteFile(path("in/part.bin"), incompressible(300 << 10));
    WriteFile(path("in/whole.bin"), incompressible(2 << 20));
    fs::create_directories(path("disk"));
    fs::create_directories(path("seen"));
    const std::string disk = path("disk"), archive = path("disk/a.zip"), seen = path("seen");
    // An existing archive of 300 KiB has no room for its rewrite beside it.
    const std::string file = existing ? path("in/part.bin") : path("in/whole.bin");
    const std::string add = std::string(MIVO_ZIPTOOL_BIN) + " add --no-path-names " +
                            Quote(archive) + " " + Quote(file);
    const std::string script =
        "mount -t tmpfs -o size=512k tmpfs " + Quote(disk) + " && " +
        (existing ? add + " && cp " + Quote(archive) + " " + Quote(seen + "/before.zip") + " && "
                  : "") +
        add + " 2> " + Quote(seen + "/stderr.txt") + "; echo $? > " + Quote(seen + "/status") +
        "; ls -A " + Quote(disk) + " > " + Quote(seen + "/listing") + "; cp " + Quote(archive) +
        " " + Quote(seen + "/after.zip") + " 2>/dev/null; true";
    // The script is quoted for sh -c: its own single quotes are closed and reopened.
    std::string quoted;
    for (const char c : script)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    ASSERT_EQ(Shell("unshare -rm sh -c '" + quoted + "'"), 0);
    EXPECT_EQ(ReadFile(path("seen/status")), "1\n");
    EXPECT_EQ(ReadFile(path("seen/stderr.txt")),
              "Le disque est plein : l'archive « " + archive + " » n'a pas pu être écrite.\n");
    EXPECT_EQ(ReadFile(path("seen/listing")), existing ? "a.zip\n" : "");
    if (existing) {
        EXPECT_EQ(ReadFile(path("seen/after.zip")), ReadFile(path("seen/before.zip")));
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, FullDisk, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Existing" : "New"; });

} // namespace
