// The builder window on the open archive: its proposal, a build through its button, what it
// says, and the failures it reports.
#include "UnzipFixture.h"

#include "AutoExtract.h"
#include "SfxLayout.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
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
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("Erreur"));
    EXPECT_TRUE(prompts->messages()[0].text.contains(QStringLiteral("Mivo-AutoExtractZIP.Dat")))
        << prompts->messages()[0].text.toStdString();
    EXPECT_FALSE(fs::exists(path("photos.exe")));
    EXPECT_FALSE(fs::exists(archive + "_"));
    EXPECT_EQ(in<QPushButton>(d, "Command2")->text(), QStringLiteral("Appliquer..."));
    EXPECT_TRUE(in<QPushButton>(d, "Command1")->isEnabled());
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
