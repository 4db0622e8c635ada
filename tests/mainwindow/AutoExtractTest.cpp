// The builder window on the open archive: its proposal, a build through its button, what it
// says, and the failures it reports.
#include "UnzipFixture.h"

#include "AutoExtract.h"
#include "AutoExtractBuild.h"
#include "SfxLayout.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class AutoExtractTest : public UnzipFixture {
protected:
    void SetUp() override {
        UnzipFixture::SetUp();
        // The stub image beside the program (the test's program folder is `root`).
        WriteFile(path("Mivo-AutoExtractZIP.Dat"), std::string(4000, '\x7f') + "ELF stub");
    }
    template <typename T> T *in(AutoExtract &d, const char *name) {
        T *found = d.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Runs the window's events until the build has ended ("Appliquer..." usable again).
    void finish(AutoExtract &d) {
        QPushButton *apply = in<QPushButton>(d, "Command2");
        for (int i = 0; i < 120000 && !apply->isEnabled(); ++i) {
            QApplication::processEvents();
            QThread::msleep(1);
        }
        ASSERT_TRUE(apply->isEnabled()) << "the build did not end";
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(root))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(AutoExtractTest, ProposesTheArchiveWithExeOnceWhateverTheActivations) {
    const std::string archive = makeArchive("photos.zip");
    start(q(archive));
    AutoExtract d;
    d.show();
    d.hide();
    d.show(); // shown again, as after a message box
    EXPECT_EQ(in<QLineEdit>(d, "Text3")->text(), q(path("photos.exe")));
    EXPECT_EQ(in<QListWidget>(d, "List1")->count(), 1);
    EXPECT_EQ(in<QListWidget>(d, "Coll")->item(0)->text(), QStringLiteral("photos.zip"));
    EXPECT_EQ(in<QLabel>(d, "status")->text(), QStringLiteral("Etat"));
    EXPECT_EQ(in<QPushButton>(d, "Command2")->text(), QStringLiteral("Appliquer..."));
}

TEST_F(AutoExtractTest, BuildsAnExecutableProgramAndSaysHowBig) {
    const std::string archive = makeArchive("photos.zip");
    start(q(archive));
    AutoExtract d;
    d.show();
    in<QPushButton>(d, "Command2")->click();
    // The build runs beside the window, which handles its events meanwhile.
    EXPECT_FALSE(in<QPushButton>(d, "Command2")->isEnabled());
    finish(d);

    const std::string program = path("photos.exe");
    const std::string bytes = ReadFile(program);
    EXPECT_EQ(bytes.substr(0, 4008), ReadFile(path("Mivo-AutoExtractZIP.Dat")));
    EXPECT_EQ(sfx::ReadSfxListing(program).fileNames, std::vector<std::string>{"photos.zip"});
    struct stat st {};
    ASSERT_EQ(stat(program.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IXUSR, 0u);
    EXPECT_FALSE(fs::exists(archive + "_"));

    EXPECT_EQ(in<QLabel>(d, "status")->text(), q(program) + " a été crée avec succès !");
    EXPECT_EQ(in<QPushButton>(d, "Command2")->text(), QStringLiteral("&Quitter"));
    EXPECT_EQ(in<QPushButton>(d, "Command2")->toolTip(), QStringLiteral("Fermer"));
    EXPECT_FALSE(in<QPushButton>(d, "Command1")->isEnabled());
    ASSERT_EQ(prompts->messages().size(), 1u);
    const auto summary = prompts->messages()[0];
    EXPECT_EQ(summary.title, QStringLiteral("Mivo-Zip AutoExtract"));
    const QString expectedStart =
        "Le fichier (" + q(program) + ") a été crée avec succès !\r\n\r\nTaille du fichier zip : " +
        QString::number(fs::file_size(archive)) +
        " Octets \r\n\r\nTaille du fichier Auto-extractible : " + QString::number(bytes.size()) +
        " Octets \r\n\r\nRatio de compression : -";
    EXPECT_TRUE(summary.text.startsWith(expectedStart)) << summary.text.toStdString();
    EXPECT_TRUE(summary.text.endsWith(QStringLiteral("%."))) << summary.text.toStdString();

    // "&Quitter" closes and writes nothing more.
    in<QPushButton>(d, "Command2")->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(ReadFile(program), bytes);
}

TEST_F(AutoExtractTest, AMissingStubIsSaidAndLeavesNothingBehind) {
    const std::string archive = makeArchive("photos.zip");
    fs::remove(path("Mivo-AutoExtractZIP.Dat"));
    start(q(archive));
    AutoExtract d;
    d.show();
    in<QPushButton>(d, "Command2")->click();
    finish(d);
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("Erreur"));
    EXPECT_TRUE(prompts->messages()[0].text.contains(QStringLiteral("Mivo-AutoExtractZIP.Dat")))
        << prompts->messages()[0].text.toStdString();
    EXPECT_FALSE(fs::exists(path("photos.exe")));
    EXPECT_FALSE(fs::exists(archive + "_"));
    EXPECT_EQ(in<QPushButton>(d, "Command2")->text(), QStringLiteral("Appliquer..."));
    EXPECT_TRUE(in<QPushButton>(d, "Command1")->isEnabled());
}

// "&Annuler" or the close box during a build stops it: nothing it wrote is left, and the dialog
// stays open, ready for another build.
TEST_F(AutoExtractTest, StoppingABuildRemovesWhatItWroteAndKeepsTheDialogOpen) {
    const std::string archive = makeBigArchive(24 << 20);
    start(q(archive));
    const std::vector<std::string> before = files();
    for (const bool closeBox : {false, true}) {
        AutoExtract d;
        d.show();
        in<QPushButton>(d, "Command2")->click();
        if (closeBox)
            d.close();
        else
            in<QPushButton>(d, "Command1")->click();
        finish(d);
        EXPECT_EQ(files(), before) << closeBox;
        EXPECT_TRUE(d.isVisible()) << closeBox;
        EXPECT_EQ(in<QLabel>(d, "status")->text(), QStringLiteral("Etat"));
        EXPECT_FALSE(in<QWidget>(d, "PG")->isVisible());
        EXPECT_EQ(in<QPushButton>(d, "Command2")->text(), QStringLiteral("Appliquer..."));
        EXPECT_TRUE(in<QPushButton>(d, "Command1")->isEnabled());
        EXPECT_FALSE(in<QLineEdit>(d, "Text3")->isReadOnly());
        EXPECT_TRUE(prompts->messages().empty());
        // Idle again: "&Annuler" closes.
        in<QPushButton>(d, "Command1")->click();
        EXPECT_FALSE(d.isVisible());
    }
}

// Refused before anything starts: no question, no file.
TEST_F(AutoExtractTest, AnEmptyNameIsRefused) {
    const std::string archive = makeArchive("photos.zip");
    start(q(archive));
    const std::vector<std::string> before = files();
    AutoExtract d;
    d.show();
    in<QLineEdit>(d, "Text3")->clear();
    in<QPushButton>(d, "Command2")->click();
    finish(d);
    ASSERT_EQ(prompts->asked.size(), 1u);
    EXPECT_EQ(prompts->asked[0].kind, QStringLiteral("message"));
    EXPECT_EQ(prompts->asked[0].title, QStringLiteral("Erreur"));
    EXPECT_EQ(prompts->asked[0].text, QStringLiteral("Indiquez le nom du fichier à créer."));
    EXPECT_EQ(files(), before);
    EXPECT_EQ(in<QLabel>(d, "status")->text(), QStringLiteral("Etat"));
    EXPECT_EQ(in<QPushButton>(d, "Command2")->text(), QStringLiteral("Appliquer..."));
}

// An archive with an encrypted entry is built only once the user said yes.
TEST_F(AutoExtractTest, EncryptedEntriesAreAskedAboutFirst) {
    WriteFile(path("src/secret.txt"), "secret");
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) +
                             " && zip -q -P motdepasse ../chiffre.zip secret.txt"),
              0);
    start(q(path("chiffre.zip")));
    for (const bool yes : {false, true}) {
        prompts->asked.clear();
        prompts->questionAnswers = {yes};
        AutoExtract d;
        d.show();
        in<QPushButton>(d, "Command2")->click();
        finish(d);
        ASSERT_FALSE(prompts->asked.empty());
        EXPECT_EQ(prompts->asked[0].kind, QStringLiteral("question"));
        EXPECT_EQ(prompts->asked[0].title, QStringLiteral("Mivo-Zip AutoExtract"));
        EXPECT_EQ(prompts->asked[0].text,
                  QStringLiteral("Cette archive contient des fichiers chiffrés : il faudra leur "
                                 "mot de passe pour les extraire. Continuer ?"));
        EXPECT_EQ(fs::exists(path("chiffre.exe")), yes);
        EXPECT_EQ(in<QPushButton>(d, "Command2")->text(),
                  yes ? QStringLiteral("&Quitter") : QStringLiteral("Appliquer..."));
    }
}

// What the worker reports reaches the owner's thread in the order of the steps; progress
// updates may be merged, but the last piece's is always shown before the bar is hidden.
TEST_F(AutoExtractTest, BuildReportsReachTheWindowThreadInOrder) {
    std::string random(12000, '\0');
    for (std::size_t i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteFile(path("r.zip"), random);
    AutoExtractBuild build;
    std::vector<std::string> seen;
    bool elsewhere = false;
    const auto note = [&](const std::string &what) {
        elsewhere = elsewhere || QThread::currentThread() != QApplication::instance()->thread();
        seen.push_back(what);
    };
    build.status = [&](const QString &text) { note("status " + text.toStdString()); };
    build.progress = [&](std::uint64_t value, std::uint64_t maximum) {
        note("progress " + std::to_string(value) + "/" + std::to_string(maximum));
    };
    build.progressShown = [&](bool shown) { note(shown ? "shown" : "hidden"); };
    bool ended = false;
    build.finished = [&](const sfx::BuildResult &result) {
        note(result.ok ? "ok" : "failed " + result.error);
        ended = true;
    };
    sfx::BuildRequest request;
    request.stubFolder = root.string();
    request.archivePath = path("r.zip");
    request.outputPath = path("r.exe");
    ASSERT_TRUE(build.start(request));
    EXPECT_FALSE(build.start(request)); // one at a time
    for (int i = 0; i < 60000 && !ended; ++i) {
        QApplication::processEvents();
        QThread::msleep(1);
    }
    ASSERT_TRUE(ended);
    EXPECT_FALSE(build.running());
    EXPECT_FALSE(elsewhere);
    ASSERT_GE(seen.size(), 7u);
    const std::vector<std::string> first = {"status Compression de " + path("r.zip"),
                                            "status " + path("r.zip") +
                                                " a été compressé avec succès.",
                                            "shown", "status Ajout de " + path("r.zip") + "..."};
    EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 4), first);
    const std::vector<std::string> last = {"progress 10000/12004", "hidden",
                                           "status " + path("r.exe") + " a été crée avec succès !",
                                           "ok"};
    EXPECT_EQ(std::vector<std::string>(seen.end() - 4, seen.end()), last);
}

TEST_F(AutoExtractTest, TheMenuEntryOpensTheBuilderModallyAndLeavesTheWindowAsItWas) {
    start(q(makeArchive("photos.zip")));
    const auto before = rows();
    pressInNextDialog("Command1"); // "&Annuler"
    trigger("Mnu_AutoExtract");
    EXPECT_EQ(shownTitle, QStringLiteral("Créer un fichier Auto-Extractible .EXE"));
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(states(), kArchive);
    EXPECT_FALSE(fs::exists(path("photos.exe")));
}

TEST_F(AutoExtractTest, EveryCaptionShowsInFull) {
    start(q(makeArchive("photos.zip")));
    AutoExtract d;
    d.show();
    for (QPushButton *b : d.findChildren<QPushButton *>())
        EXPECT_LE(b->sizeHint().width(), b->width()) << b->objectName().toStdString();
    for (QLabel *l : d.findChildren<QLabel *>())
        EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString();
}

} // namespace
