// mivo-sfx from the outside. The program takes the stub from its own folder, so each test runs
// a copy of it in a test folder beside a fake stub.
#include "SfxTestUtil.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using sfxtest::OneNameHeader;

class SfxTool : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directories(root / "bin");
        fs::copy_file(MIVO_SFX_BIN, path("bin/mivo-sfx"));
        ziptest::WriteFile(path("bin/Mivo-AutoExtractZIP.Dat"), stub);
    }

    // Runs the copy under `locale` from the test folder; returns the exit status.
    int run(const std::string &args, const std::string &locale = "LC_ALL=C") const {
        const std::string command = "cd " + ziptest::Quote(root.string()) + " && " + locale +
                                    " ./bin/mivo-sfx " + args + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string out() const { return ziptest::ReadFile(path("out.txt")); }
    std::string err() const { return ziptest::ReadFile(path("err.txt")); }

    const std::string stub = "fake stub\r\n";
};

TEST_F(SfxTool, BuildsBesideTheArchivePrintingStatusAndSummary) {
    ziptest::WriteFile(path("photos.zip"), sfxtest::RandomBytes(99996));
    ASSERT_EQ(run("photos.zip"), 0) << err();
    EXPECT_EQ(out(), "Compression de photos.zip\n"
                     "photos.zip a été compressé avec succès.\n"
                     "Ajout de photos.zip...\n"
                     "photos.exe a été crée avec succès !\n"
                     "\n"
                     "Le fichier (photos.exe) a été crée avec succès !\n\n"
                     "Taille du fichier zip : 99996 Octets \n\n"
                     "Taille du fichier Auto-extractible : 100099 Octets \n\n"
                     "Ratio de compression : -0.10%.\n");
    EXPECT_EQ(err(), "");
    const std::string program = ziptest::ReadFile(path("photos.exe"));
    EXPECT_EQ(program.size(), 100099u);
    EXPECT_EQ(program.substr(0, stub.size() + 92),
              stub + OneNameHeader("photos.zip", 100000) + "HE0\r");
}

// The machine may have no French locale installed: one is compiled into the test folder.
TEST_F(SfxTool, RatioTakesTheCommaOfAFrenchLocale) {
    fs::create_directory(root / "loc");
    if (ziptest::Shell("localedef -i fr_FR -f UTF-8 " + ziptest::Quote(path("loc/fr_FR.UTF-8"))) !=
        0)
        GTEST_SKIP() << "localedef cannot build fr_FR.UTF-8 (Debian package locales)";
    ziptest::WriteFile(path("a.zip"), sfxtest::RandomBytes(99996));
    ASSERT_EQ(run("a.zip", "LOCPATH=" + ziptest::Quote(path("loc")) + " LC_ALL=fr_FR.UTF-8"), 0)
        << err();
    EXPECT_NE(out().find("Ratio de compression : -0,10%.\n"), std::string::npos) << out();
}

TEST_F(SfxTool, WritesTheOutputItIsGiven) {
    ziptest::WriteFile(path("a.zip"), "abcd");
    ASSERT_EQ(run("a.zip " + ziptest::Quote(path("autre nom"))), 0) << err();
    EXPECT_EQ(ziptest::ReadFile(path("autre nom")), stub + OneNameHeader("a.zip", 8) + "HE0\rabcd");
    EXPECT_FALSE(fs::exists(path("a.exe")));
}

TEST_F(SfxTool, FailureExitsWithOneAndTheFrenchReason) {
    EXPECT_EQ(run("absente.zip"), 1);
    EXPECT_EQ(err(), "mivo-sfx : Lecture impossible de l'archive « absente.zip » : Fichier ou "
                     "dossier introuvable.\n");
    ziptest::WriteFile(path("a.zip"), "abcd");
    fs::remove(path("bin/Mivo-AutoExtractZIP.Dat"));
    EXPECT_EQ(run("a.zip"), 1);
    EXPECT_EQ(err(), "mivo-sfx : Lecture impossible du programme d'extraction « " +
                         path("bin/Mivo-AutoExtractZIP.Dat") +
                         " » : Fichier ou dossier introuvable.\n");
    EXPECT_FALSE(fs::exists(path("a.exe")));
    EXPECT_FALSE(fs::exists(path("a.zip_")));
}

TEST_F(SfxTool, EncryptedEntriesAreSaidOnStandardErrorBeforeTheBuild) {
    ziptest::WriteFile(path("src/secret.txt"), "secret");
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) +
                             " && zip -q -P motdepasse ../chiffre.zip secret.txt"),
              0);
    ASSERT_EQ(run("chiffre.zip"), 0) << err();
    EXPECT_EQ(err(), "mivo-sfx : Cette archive contient des fichiers chiffrés : il faudra leur "
                     "mot de passe pour les extraire.\n");
    EXPECT_TRUE(fs::exists(path("chiffre.exe")));
}

// A signal while the archive is encoded ("big.zip_" exists) or while the program is written (its
// temporary file exists too): both are removed and the tool ends by that signal.
TEST_F(SfxTool, ASignalDuringABuildLeavesNothingBehind) {
    ziptest::WriteFile(path("big.zip"), sfxtest::RandomBytes(32 << 20));
    ziptest::WriteFile(path("big.exe"), "older program");
    const auto written = [&](const std::string &prefix) {
        for (const auto &e : fs::directory_iterator(root))
            if (e.path().filename().string().rfind(prefix, 0) == 0) return true;
        return false;
    };
    const std::pair<int, const char *> rows[] = {{SIGTERM, "big.zip_"},
                                                 {SIGINT, ".big.exe."},
                                                 {SIGHUP, ".big.exe."},
                                                 {SIGTERM, ".big.exe."}};
    for (const auto &[signal, waitFor] : rows) {
        const pid_t pid =
            ziptest::SpawnWithDefaultSignal({path("bin/mivo-sfx"), path("big.zip")}, signal);
        ASSERT_GT(pid, 0);
        for (int i = 0; i < 20000 && !written(waitFor); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(written(waitFor)) << waitFor << ": the build ended before it was seen";
        kill(pid, signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(root))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"big.exe", "big.zip", "bin"})) << signal;
        EXPECT_EQ(ziptest::ReadFile(path("big.exe")), "older program");
    }
}

TEST_F(SfxTool, WrongArgumentsExitWithTwo) {
    for (const char *args : {"", "a.zip b.exe c", "--verbose a.zip", "''", "a.zip ''"}) {
        EXPECT_EQ(run(args), 2) << args;
        EXPECT_EQ(err(), "usage : mivo-sfx ARCHIVE.zip [SORTIE]\n");
    }
}

} // namespace
