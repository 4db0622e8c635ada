// mivo-ziptool test, and the progress line of the tool on a terminal.
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sys/wait.h>

using namespace ziptest;

namespace {

class TestCommandTest : public TempDirTest {
protected:
    // Runs the tool in `folder`, its output kept outside it.
    int tool(const std::string &args, const std::string &folder = ".") {
        const std::string command = "cd " + Quote(path(folder)) + " && " + MIVO_ZIPTOOL_BIN + " " +
                                    args + " > " + Quote(path("stdout.txt")) + " 2> " +
                                    Quote(path("stderr.txt")) + " < /dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The same on a pseudo-terminal (script from util-linux): what the terminal received.
    std::string onTerminal(const std::string &args) {
        const std::string command = "script -qec " +
                                    Quote(std::string(MIVO_ZIPTOOL_BIN) + " " + args) +
                                    " /dev/null > " + Quote(path("terminal.txt")) + " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << args;
        return ReadFile(path("terminal.txt"));
    }
    // Three entries made by zip, b.txt stored with -0 when `storeB`.
    std::string makeArchive(bool storeB) {
        std::string numbers;
        for (int i = 1; i <= 3000; ++i)
            numbers += std::to_string(i) + '\n';
        WriteFile(path("work/a.txt"), std::string(2000, 'a'));
        WriteFile(path("work/b.txt"), numbers);
        WriteFile(path("work/c.txt"), "cccc\n");
        const std::string in = "cd " + Quote(path("work")) + " && zip -q ";
        EXPECT_EQ(Shell(in + "t.zip a.txt && " + in + (storeB ? "-0 " : "") + "t.zip b.txt && " +
                        in + "t.zip c.txt && rm a.txt b.txt c.txt"),
                  0);
        return path("work/t.zip");
    }
    static std::string listing(const fs::path &folder) {
        std::string out;
        for (const auto &e : fs::recursive_directory_iterator(folder))
            out += e.path().string() + '\n';
        return out;
    }
};

// Flips the byte in the middle of the data of the entry stored as `name`.
void DamageEntryData(const std::string &archive, const std::string &name) {
    std::string bytes = ReadFile(archive);
    auto le = [&](std::size_t at, int size) {
        std::size_t v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    for (std::size_t at = bytes.find("PK\3\4"); at != std::string::npos;
         at = bytes.find("PK\3\4", at + 4)) {
        const std::size_t nameLength = le(at + 26, 2), extraLength = le(at + 28, 2);
        if (bytes.compare(at + 30, nameLength, name) != 0) continue;
        bytes[at + 30 + nameLength + extraLength + le(at + 18, 4) / 2] ^= '\xff';
        WriteFile(archive, bytes);
        return;
    }
    FAIL() << name << " not found";
}

struct Damage {
    const char *name;
    bool storeB;
    const char *reason;
};

class DamagedEntry : public TestCommandTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedEntry, IsNamedWithItsReasonAndNothingIsWritten) {
    const std::string archive = makeArchive(GetParam().storeB);
    EXPECT_EQ(tool("test t.zip", "work"), 0);
    EXPECT_EQ(ReadFile(path("stdout.txt")), "3 fichiers vérifiés : aucune erreur.\n");
    DamageEntryData(archive, "b.txt");
    const std::string before = listing(path("work")), bytes = ReadFile(archive);
    EXPECT_EQ(tool("test t.zip", "work"), 1);
    EXPECT_EQ(ReadFile(path("stdout.txt")),
              std::string("1 fichier(s) en erreur sur 3 :\n« b.txt » : ") + GetParam().reason +
                  "\n");
    EXPECT_EQ(ReadFile(path("stderr.txt")), "");
    EXPECT_EQ(listing(path("work")), before);
    EXPECT_EQ(ReadFile(archive), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DamagedEntry,
    ::testing::Values(
        Damage{"Deflated", false, "Les données compressées de « b.txt » sont endommagées."},
        Damage{"Stored", true, "Les données de « b.txt » sont endommagées (erreur CRC)."}),
    [](const auto &info) { return std::string(info.param.name); });

// A wrong --password is tried once per entry, not again and again; without one and without a
// terminal to ask on, the encrypted entries are not verified.
TEST_F(TestCommandTest, EncryptedEntriesTakeThePasswordOption) {
    for (const char *name : {"a.txt", "b.txt", "c.txt"})
        WriteFile(path(std::string("src/") + name), std::string(300, name[0]));
    ASSERT_EQ(tool("add --no-path-names --encrypt aes --password right t.zip src/a.txt src/b.txt "
                   "src/c.txt"),
              0);
    EXPECT_EQ(tool("test --password right t.zip"), 0);
    EXPECT_EQ(ReadFile(path("stdout.txt")), "3 fichiers vérifiés : aucune erreur.\n");
    EXPECT_EQ(tool("test --password wrong t.zip"), 1);
    EXPECT_EQ(ReadFile(path("stdout.txt")), "3 fichier(s) en erreur sur 3 :\n"
                                            "« a.txt » : Mot de passe incorrect pour « a.txt ».\n"
                                            "« b.txt » : Mot de passe incorrect pour « b.txt ».\n"
                                            "« c.txt » : Mot de passe incorrect pour « c.txt ».\n");
    EXPECT_EQ(tool("test t.zip"), 1);
    EXPECT_EQ(ReadFile(path("stdout.txt")),
              "3 fichier(s) en erreur sur 3 :\n"
              "« a.txt » : Aucun mot de passe donné : « a.txt » n'est pas vérifié.\n"
              "« b.txt » : Aucun mot de passe donné : « b.txt » n'est pas vérifié.\n"
              "« c.txt » : Aucun mot de passe donné : « c.txt » n'est pas vérifié.\n");
}

// Written to files the output is byte for byte what it always was; a terminal sees the line,
// erased before the report.
TEST_F(TestCommandTest, ProgressLineOnlyOnATerminal) {
    makeArchive(false);
    EXPECT_EQ(tool("extract --verbose t.zip out", "work"), 0);
    EXPECT_EQ(ReadFile(path("stdout.txt")), "");
    EXPECT_EQ(ReadFile(path("stderr.txt")),
              "Extraction de a.txt\nExtraction de b.txt\nExtraction de c.txt\n");
    EXPECT_EQ(tool("add n.zip out/c.txt", "work"), 0);
    EXPECT_EQ(ReadFile(path("stderr.txt")), "");

    const std::string tested = onTerminal("test " + Quote(path("work/t.zip")));
    EXPECT_NE(tested.find(" % Vérification de a.txt\x1b[K"), std::string::npos) << tested;
    EXPECT_TRUE(tested.ends_with("\r\x1b[K3 fichiers vérifiés : aucune erreur.\r\n")) << tested;
    const std::string added =
        onTerminal("add " + Quote(path("work/n.zip")) + " " + Quote(path("work/out/a.txt")));
    EXPECT_NE(added.find("100 % Écriture de " + path("work/n.zip")), std::string::npos) << added;
    EXPECT_TRUE(added.ends_with("\r\x1b[K")) << added;
}

} // namespace
