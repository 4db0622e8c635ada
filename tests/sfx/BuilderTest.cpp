// The build steps: the file written, the order of what the caller is told, the number forms of
// the summary, and failures that leave nothing behind.
#include "HuffmanCoding.h"
#include "SfxBuilder.h"
#include "SfxLayout.h"
#include "SfxTestUtil.h"
#include "ZipTestUtil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using sfxtest::OneNameHeader;

TEST(DefaultOutput, ExeInPlaceOfTheLastThreeCharacters) {
    const std::pair<const char *, const char *> rows[] = {
        {"/home/léa/photos.zip", "/home/léa/photos.exe"},
        {"/a/data.gz", "/a/dataexe"},
        {"/a/x.tar.gz", "/a/x.tarexe"},
        {"/a.b/archive", "/a.b/archexe"},
        {"/a/ça.été", "/a/ça.exe"}, // characters, not bytes
        {"photos.ZIP", "photos.exe"},
        {"/a/b", "/a/b.exe"}, // never "/exe"
        {"/a/été", "/a/été.exe"},
    };
    for (const auto &[archive, output] : rows)
        EXPECT_EQ(sfx::DefaultOutputPath(archive), output) << archive;
}

TEST(SummaryNumbers, PackedTotalInPlainDigits) {
    EXPECT_EQ(sfx::FormatPackedTotal(0), "0");
    EXPECT_EQ(sfx::FormatPackedTotal(100000), "100000");
    EXPECT_EQ(sfx::FormatPackedTotal(123456789), "123456789");
    EXPECT_EQ(sfx::FormatPackedTotal(2147483647), "2147483647");
    EXPECT_EQ(sfx::FormatPackedTotal(1e15), "1000000000000000");
    EXPECT_EQ(sfx::FormatPackedTotal(0.5), "0.5");
}

TEST(SummaryNumbers, RatioInThirtyTwoBitsWithTheLocalesSeparator) {
    EXPECT_EQ(sfx::FormatRatio(100000, 160000, ","), "-60,00%");
    EXPECT_EQ(sfx::FormatRatio(100000, 160000, "."), "-60.00%");
    EXPECT_EQ(sfx::FormatRatio(45282, 38968, "."), "13.94%");
    EXPECT_EQ(sfx::FormatRatio(1000, 1000, ","), "0,00%");
    EXPECT_EQ(sfx::FormatRatio(3, 1, ","), "66,67%");
    // -1.12345 exactly in 64 bits shows -112,34%; its 32-bit value lies above the half.
    EXPECT_EQ(sfx::FormatRatio(100000, 212345, ","), "-112,35%");
    EXPECT_EQ(sfx::FormatRatio(282137, 20282137, ","), "-7088,76%");
}

TEST(SummaryNumbers, WholeTextWithItsBlanksAndLineBreaks) {
    EXPECT_EQ(sfx::SummaryText("/a/photos.exe", 100000, 160000, ","),
              "Le fichier (/a/photos.exe) a été crée avec succès !\r\n\r\n"
              "Taille du fichier zip : 100000 Octets \r\n\r\n"
              "Taille du fichier Auto-extractible : 160000 Octets \r\n\r\n"
              "Ratio de compression : -60,00%.");
}

TEST(SummaryNumbers, SeparatorFollowsTheCLibrarysLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(sfx::LocaleDecimalSeparator(), ".");
    for (const char *french : {"fr_FR.UTF-8", "fr_FR.utf8", "fr_FR"}) {
        if (std::setlocale(LC_NUMERIC, french) == nullptr) continue;
        EXPECT_EQ(sfx::LocaleDecimalSeparator(), ",");
        break;
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

class Builder : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directories(root / "app");
        ziptest::WriteFile(path("app/Mivo-AutoExtractZIP.Dat"), stub);
    }

    sfx::BuildResult build(const std::string &archive, const std::string &output,
                           std::function<bool()> stop = {}) {
        sfx::BuildRequest request;
        request.stubFolder = path("app");
        request.archivePath = archive;
        request.outputPath = output;
        request.decimalSeparator = ",";
        sfx::BuildEvents events;
        events.status = [this](const std::string &t) { log.push_back("status " + t); };
        events.progress = [this](std::uint64_t v, std::uint64_t m) {
            log.push_back("progress " + std::to_string(v) + "/" + std::to_string(m));
        };
        events.progressShown = [this](bool s) { log.push_back(s ? "shown" : "hidden"); };
        events.cancelRequested = std::move(stop);
        return sfx::BuildSelfExtractor(request, events);
    }

    // Names in the test folder, the stub's folder aside.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(root))
            if (e.path().filename() != "app") names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    const std::string stub = sfxtest::FakeStub();
    std::vector<std::string> log;
};

// An archive of n incompressible bytes is stored: its encoded stream has n + 4 bytes.
struct PieceRow {
    std::size_t encoded;
    std::vector<std::string> progress;
};

TEST_F(Builder, EncodedStreamIsAppendedInPiecesOf5000) {
    const PieceRow rows[] = {
        {5000, {"progress 0/5000"}},
        {5001, {"progress 0/5001", "progress 5000/5001"}},
        {10001, {"progress 0/10001", "progress 5000/10001", "progress 10000/10001"}},
    };
    for (const PieceRow &row : rows) {
        log.clear();
        const std::string archive = sfxtest::RandomBytes(row.encoded - 4);
        ziptest::WriteFile(path("r.zip"), archive);
        const sfx::BuildResult result = build(path("r.zip"), path("r.exe"));
        ASSERT_TRUE(result.ok) << result.error;
        std::vector<std::string> expected = {"status Compression de " + path("r.zip"),
                                             "status " + path("r.zip") +
                                                 " a été compressé avec succès.",
                                             "shown", "status Ajout de " + path("r.zip") + "..."};
        expected.insert(expected.end(), row.progress.begin(), row.progress.end());
        expected.push_back("hidden");
        expected.push_back("status " + path("r.exe") + " a été crée avec succès !");
        EXPECT_EQ(log, expected);
        const std::string written = stub + OneNameHeader("r.zip", row.encoded) + "HE0\r" + archive;
        EXPECT_EQ(ziptest::ReadFile(path("r.exe")), written);
        EXPECT_EQ(result.outputSize, written.size());
        EXPECT_EQ(entries(), (std::vector<std::string>{"r.exe", "r.zip"}));
    }
}

TEST_F(Builder, ZipArchiveRoundTripsThroughTheReadersAndTheDecoder) {
    std::string text;
    for (int i = 0; i < 4000; ++i)
        text += "ligne " + std::to_string(i % 97) + " du 31/12/2020\n";
    ziptest::WriteFile(path("src/notes.txt"), text);
    ziptest::WriteFile(path("src/bin.dat"), sfxtest::RandomBytes(3000));
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) + " && zip -q -0 " +
                             ziptest::Quote(path("photos été.zip")) + " notes.txt bin.dat"),
              0);
    fs::remove_all(root / "src");
    const std::string archive = ziptest::ReadFile(path("photos été.zip"));

    const sfx::BuildResult result = build(path("photos été.zip"), path("photos été.exe"));
    ASSERT_TRUE(result.ok) << result.error;
    const std::string program = path("photos été.exe");
    const std::string written = ziptest::ReadFile(program);
    EXPECT_EQ(written.substr(0, stub.size()), stub);

    const sfx::SfxHeader header = sfx::ReadSfxListing(program);
    EXPECT_EQ(header.fileNames, std::vector<std::string>{"photos été.zip"});
    const std::uint64_t start = sfx::FindSfxPayloads(program, header.payloadLengths);
    EXPECT_EQ(start + header.payloadLengths[0], written.size());
    const std::string payload = written.substr(start, header.payloadLengths[0]);
    EXPECT_EQ(payload.substr(0, 4), "HE2\r"); // coded: the text makes it worth it
    EXPECT_EQ(HuffmanCoding::HuffmanDecode(payload), archive);

    EXPECT_EQ(result.summary, "Le fichier (" + program +
                                  ") a été crée avec succès !\r\n\r\nTaille du fichier zip : " +
                                  std::to_string(archive.size()) +
                                  " Octets \r\n\r\nTaille du fichier " +
                                  "Auto-extractible : " + std::to_string(written.size()) +
                                  " Octets \r\n\r\nRatio de compression : " +
                                  sfx::FormatRatio(archive.size(), written.size(), ",") + ".");
    EXPECT_EQ(entries(), (std::vector<std::string>{"photos été.exe", "photos été.zip"}));
}

TEST_F(Builder, OutputIsAProgramWithinTheUmask) {
    ziptest::WriteFile(path("a.zip"), "PK\x05\x06");
    for (const auto &[mask, mode] : {std::pair{0022, 0755}, std::pair{0077, 0700}}) {
        fs::remove(path("a.exe")); // a new program follows the umask; a replaced one keeps its mode
        const mode_t saved = ::umask(mask);
        const sfx::BuildResult result = build(path("a.zip"), path("a.exe"));
        ::umask(saved);
        ASSERT_TRUE(result.ok) << result.error;
        struct stat st {};
        ASSERT_EQ(::stat(path("a.exe").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(mode));
    }
}

TEST_F(Builder, ReplacesALongerOutput) {
    ziptest::WriteFile(path("a.zip"), "abcd");
    ziptest::WriteFile(path("a.exe"), std::string(100000, 'o'));
    ASSERT_TRUE(build(path("a.zip"), path("a.exe")).ok);
    EXPECT_EQ(ziptest::ReadFile(path("a.exe")), stub + OneNameHeader("a.zip", 8) + "HE0\rabcd");
    EXPECT_EQ(entries(), (std::vector<std::string>{"a.exe", "a.zip"}));
}

TEST_F(Builder, EmptyArchiveBuildsWithoutSummary) {
    ziptest::WriteFile(path("vide.zip"), "");
    const sfx::BuildResult result = build(path("vide.zip"), path("vide.exe"));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.summary, "");
    EXPECT_EQ(ziptest::ReadFile(path("vide.exe")), stub + OneNameHeader("vide.zip", 4) + "HE0\r");
}

// Each failure names what failed, in French, and leaves only what was there before.
TEST_F(Builder, FailuresAreReportedAndLeaveNothingBehind) {
    ziptest::WriteFile(path("a.zip"), "abcd");
    fs::remove(path("app/Mivo-AutoExtractZIP.Dat"));
    sfx::BuildResult result = build(path("a.zip"), path("a.exe"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Lecture impossible du programme d'extraction « " +
                                path("app/Mivo-AutoExtractZIP.Dat") +
                                " » : Fichier ou dossier introuvable.");
    EXPECT_EQ(log.back(), "status " + path("a.zip") + " a été compressé avec succès.");
    EXPECT_EQ(entries(), std::vector<std::string>{"a.zip"});
    ziptest::WriteFile(path("app/Mivo-AutoExtractZIP.Dat"), stub);

    log.clear();
    result = build(path("absente.zip"), path("a.exe"));
    EXPECT_EQ(result.error, "Lecture impossible de l'archive « " + path("absente.zip") +
                                " » : Fichier ou dossier introuvable.");
    EXPECT_EQ(log, std::vector<std::string>{"status Compression de " + path("absente.zip")});
    EXPECT_EQ(entries(), std::vector<std::string>{"a.zip"});

    fs::create_directory(root / "dossier.zip");
    result = build(path("dossier.zip"), path("a.exe"));
    EXPECT_EQ(result.error, "Lecture impossible de l'archive « " + path("dossier.zip") +
                                " » : ce n'est pas un fichier ordinaire.");
    ASSERT_EQ(::mkfifo(path("tube.zip").c_str(), 0600), 0); // refused, not waited on
    result = build(path("tube.zip"), path("a.exe"));
    EXPECT_EQ(result.error, "Lecture impossible de l'archive « " + path("tube.zip") +
                                " » : ce n'est pas un fichier ordinaire.");
    fs::remove(path("tube.zip"));

    result = build(path("a.zip"), path("manque/a.exe"));
    EXPECT_EQ(result.error, "Écriture impossible du fichier « " + path("manque/a.exe") +
                                " » : Fichier ou dossier introuvable.");
    EXPECT_EQ(entries(), (std::vector<std::string>{"a.zip", "dossier.zip"}));

    // A later build runs.
    EXPECT_TRUE(build(path("a.zip"), path("a.exe")).ok);
}

// Whatever is already at "<archive>_" (a file of the user's, a hard link to another file, a
// link) is never opened, truncated or removed: the build stops and says so.
TEST_F(Builder, AnythingAtTheTemporaryNameIsLeftAsItWasAndNamed) {
    ziptest::WriteFile(path("a.zip"), "abcd");
    ziptest::WriteFile(path("victim"), "intact\r\n\x01");
    const std::function<void()> plant[] = {
        [&] { ziptest::WriteFile(path("a.zip_"), "the user's own notes"); },
        [&] { fs::create_hard_link(path("victim"), path("a.zip_")); },
        [&] { fs::create_symlink(path("victim"), path("a.zip_")); },
        [&] { fs::create_symlink(path("nowhere"), path("a.zip_")); },
    };
    for (std::size_t i = 0; i < std::size(plant); ++i) {
        log.clear();
        plant[i]();
        const std::string before = fs::is_symlink(path("a.zip_"))
                                       ? fs::read_symlink(path("a.zip_")).string()
                                       : ziptest::ReadFile(path("a.zip_"));
        const sfx::BuildResult result = build(path("a.zip"), path("a.exe"));
        EXPECT_EQ(result.error, "Le fichier « " + path("a.zip_") +
                                    " » existe déjà : supprimez-le ou renommez-le, puis "
                                    "recommencez.")
            << i;
        EXPECT_EQ(log, std::vector<std::string>{"status Compression de " + path("a.zip")}) << i;
        EXPECT_EQ(fs::is_symlink(path("a.zip_")) ? fs::read_symlink(path("a.zip_")).string()
                                                 : ziptest::ReadFile(path("a.zip_")),
                  before)
            << i;
        EXPECT_EQ(ziptest::ReadFile(path("victim")), "intact\r\n\x01") << i;
        EXPECT_EQ(entries(), (std::vector<std::string>{"a.zip", "a.zip_", "victim"})) << i;
        fs::remove(path("a.zip_"));
    }
}

// Asked to stop at a piece, the build removes the temporary file and the output being written;
// an output that was there before stays as it was.
TEST_F(Builder, StoppedBuildLeavesNothingItWrote) {
    ziptest::WriteFile(path("r.zip"), sfxtest::RandomBytes(12000));
    ziptest::WriteFile(path("r.exe"), "older program");
    // Asked after the encoding, then before the first and the second piece.
    for (int stopAt : {1, 3, 4}) {
        log.clear();
        int asked = 0;
        std::vector<std::string> seen;
        const sfx::BuildResult result = build(path("r.zip"), path("r.exe"), [&] {
            seen = entries();
            return ++asked == stopAt;
        });
        EXPECT_TRUE(result.cancelled) << stopAt;
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "");
        EXPECT_EQ(asked, stopAt);
        EXPECT_EQ(seen.size(), stopAt == 1 ? 3u : 4u) << stopAt; // "r.zip_", then the output too
        EXPECT_EQ(entries(), (std::vector<std::string>{"r.exe", "r.zip"})) << stopAt;
        EXPECT_EQ(ziptest::ReadFile(path("r.exe")), "older program");
    }
}

TEST_F(Builder, EmptyOutputNameIsRefusedBeforeAnything) {
    ziptest::WriteFile(path("a.zip"), "abcd");
    const sfx::BuildResult result = build(path("a.zip"), "");
    EXPECT_EQ(result.error, "Indiquez le nom du fichier à créer.");
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(entries(), std::vector<std::string>{"a.zip"});
}

TEST_F(Builder, EncryptedEntriesAreToldOnlyForAnArchiveHoldingOne) {
    ziptest::WriteFile(path("src/clair.txt"), "clair");
    ziptest::WriteFile(path("src/secret.txt"), "secret");
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) +
                             " && zip -q ../plain.zip clair.txt && zip -q ../mixed.zip clair.txt"
                             " && zip -q -P motdepasse ../mixed.zip secret.txt"),
              0);
    EXPECT_TRUE(sfx::HoldsEncryptedEntries(path("mixed.zip")));
    EXPECT_FALSE(sfx::HoldsEncryptedEntries(path("plain.zip")));
    ziptest::WriteFile(path("random.zip"), sfxtest::RandomBytes(3000));
    EXPECT_FALSE(sfx::HoldsEncryptedEntries(path("random.zip")));
    EXPECT_FALSE(sfx::HoldsEncryptedEntries(path("absent.zip")));
}

TEST_F(Builder, OutputNeverReplacesTheArchiveOrTheStub) {
    ziptest::WriteFile(path("a.zip"), "abcd");
    EXPECT_EQ(build(path("a.zip"), path("a.zip")).error,
              "Le fichier Auto-Extractible ne peut pas remplacer l'archive « " + path("a.zip") +
                  " ».");
    EXPECT_EQ(ziptest::ReadFile(path("a.zip")), "abcd");
    EXPECT_FALSE(build(path("a.zip"), path("app/Mivo-AutoExtractZIP.Dat")).ok);
    EXPECT_EQ(ziptest::ReadFile(path("app/Mivo-AutoExtractZIP.Dat")), stub);
    EXPECT_EQ(entries(), std::vector<std::string>{"a.zip"});
}

TEST_F(Builder, NamesNoReaderWouldAcceptAreRefusedBeforeAnythingIsWritten) {
    ziptest::WriteFile(path("caf\xE9.zip"), "abcd");
    EXPECT_EQ(build(path("caf\xE9.zip"), path("a.exe")).error,
              "Le nom « caf\xE9.zip » ne peut pas être enregistré dans un fichier "
              "Auto-Extractible.");
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(entries(), std::vector<std::string>{"caf\xE9.zip"});
}

TEST_F(Builder, ArchivesOver2GiBAreRefusedBeforeAnythingIsWritten) {
    ziptest::WriteFile(path("big.zip"), "");
    fs::resize_file(path("big.zip"), 2147483648u); // sparse
    const sfx::BuildResult result = build(path("big.zip"), path("big.exe"));
    const std::string why = "L'archive « " + path("big.zip") +
                            " » dépasse 2 147 483 647 octets : elle ne peut pas être placée dans "
                            "un fichier Auto-Extractible.";
    EXPECT_EQ(result.error, why);
    EXPECT_EQ(log.back(), "status " + why);
    EXPECT_EQ(entries(), std::vector<std::string>{"big.zip"});
}

} // namespace
