// Extract and Add from the main window through their real dialogs, answered by timers, as a
// user would: the folder chosen, the button pressed, then what the window shows.
#include "UnzipFixture.h"

#include "ExplorerTree.h"
#include "LongWork.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class ExtractAddCommandsTest : public UnzipFixture {
protected:
    // When the next modal dialog shows: opens `folder` in its tree and presses `button`.
    void answerDialog(const std::string &folder, const char *button, const char *before = nullptr) {
        QTimer::singleShot(0, [this, folder, button, before] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shownTitle = dialog->windowTitle();
            auto *tree = dialog->findChild<ExplorerTree *>(QStringLiteral("Tree1"));
            ASSERT_NE(tree, nullptr);
            ASSERT_TRUE(tree->SelectedFolder(q(path(folder))));
            if (before) dialog->findChild<QPushButton *>(QString::fromLatin1(before))->click();
            dialog->findChild<QPushButton *>(QString::fromLatin1(button))->click();
        });
    }
};

TEST_F(ExtractAddCommandsTest, ExtractAllIntoTheChosenFolder) {
    start(q(makeArchive()));
    fs::create_directories(path("out"));
    answerDialog("out", "Command5"); // "&Extraire"
    trigger("unzipallfiles");
    EXPECT_EQ(shownTitle, QStringLiteral("Choix du dossier de décompression"));
    EXPECT_EQ(ReadFile(path("out/d/a.txt")), "inner");
    EXPECT_EQ(ReadFile(path("out/a.txt")), std::string(1000, 'a'));
    EXPECT_EQ(Module1::Shared().ExtractFolder, q(path("out")));
    EXPECT_EQ(states(), kArchive); // unchanged
    EXPECT_TRUE(prompts->messages().empty());
}

TEST_F(ExtractAddCommandsTest, ExtractSelectedWritesOnlyThoseRows) {
    start(q(makeArchive()));
    fs::create_directories(path("out"));
    QTreeView *view = list();
    for (int r = 0; r < view->model()->rowCount(); ++r)
        if (Forms::Unzip().model()->fullNameAt(r) == QStringLiteral("d/a.txt"))
            view->selectionModel()->select(view->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    answerDialog("out", "Command5");
    trigger("unzipallfiles");
    EXPECT_EQ(ReadFile(path("out/d/a.txt")), "inner");
    EXPECT_FALSE(fs::exists(path("out/a.txt")));
}

// The window's activation after the dialog puts the stored options back in the boxes, which the
// reader then takes, cancelled or not.
TEST_F(ExtractAddCommandsTest, ACancelledDialogExtractsNothingButTakesTheBoxes) {
    start(q(makeArchive()));
    fs::create_directories(path("out"));
    Module1::Shared().SkipOlderOption = 1;
    answerDialog("out", "Command3"); // "&Annuler"
    trigger("unzipallfiles");
    EXPECT_TRUE(fs::is_empty(path("out")));
    EXPECT_EQ(Forms::Unzip().VFunzip1.SkipOlderFiles, 1);
}

TEST_F(ExtractAddCommandsTest, ExtractWithNoArchiveOpenSaysSoWithoutADialog) {
    start();
    trigger("open"); // cancelled: extraction enabled, nothing open
    trigger("unzipallfiles");
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].text,
              QStringLiteral("Aucune archive n'est ouverte : ouvrez d'abord une archive."));
}

TEST_F(ExtractAddCommandsTest, AddThroughTheDialogRefreshesTheList) {
    const std::string archive = makeArchive();
    start(q(archive));
    WriteFile(path("more/x.txt"), "x");
    WriteFile(path("more/y.txt"), "y");
    answerDialog("more", "Command1", "Command3"); // "&Tout sélectionner", then "&Ajouter"
    trigger("Mnu_Ajout");
    EXPECT_EQ(shownTitle, QStringLiteral("Ajouter des fichiers à la liste"));
    EXPECT_EQ(rows().size(), 5u);
    EXPECT_EQ(states(), "1101110");
    EXPECT_EQ(panel(3), QStringLiteral(" 5 Fichiers "));
    EXPECT_EQ(ziptest::Shell("unzip -tq " + ziptest::Quote(archive) + " >/dev/null"), 0);
}

TEST_F(ExtractAddCommandsTest, AddToANewArchiveCreatesIt) {
    start();
    prompts->saveAnswers.push_back(q(path("nouvelle.zip")));
    trigger("Mnu_Nouveau");
    WriteFile(path("more/x.txt"), "x");
    answerDialog("more", "Command1", "Command3");
    trigger("Toolbar1_Button4");
    EXPECT_TRUE(fs::exists(path("nouvelle.zip")));
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(states(), "1101110");
}

TEST_F(ExtractAddCommandsTest, AStoppedAddLeavesTheArchiveAsItWasAndSaysNothing) {
    const std::string archive = makeArchive();
    const std::string before = ReadFile(archive);
    start(q(archive));
    WriteFile(path("more/big.bin"), std::string(6 << 20, 'x'));
    stopLongWork(true); // the add dialog, which a stop leaves open, is then closed
    answerDialog("more", "Command1", "Command3");
    trigger("Mnu_Ajout");
    EXPECT_TRUE(longWorkStopped);
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_TRUE(prompts->messages().empty());
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(ExtractAddCommandsTest, AStoppedExtractionLeavesNoPartlyWrittenFile) {
    start(q(makeBigArchive(6 << 20)));
    fs::create_directories(path("out"));
    stopLongWork();
    answerDialog("out", "Command5");
    trigger("unzipallfiles");
    EXPECT_TRUE(longWorkStopped);
    EXPECT_FALSE(fs::exists(path("out/big.bin")));
    EXPECT_TRUE(ziptest::LeftoverTemporaries(path("out")).empty());
    EXPECT_TRUE(prompts->messages().empty()); // a stop is not a failure
    EXPECT_TRUE(child("unzipallfiles")->isEnabled());
}

// The password is asked as extraction asks it, again after a wrong one; the others reuse it.
TEST_F(ExtractAddCommandsTest, TestAsksThePasswordAgainAfterAWrongOneAndSaysAllIsWell) {
    for (const char *name : {"a.txt", "b.txt", "c.txt"})
        WriteFile(path(std::string("src/") + name), std::string(500, name[0]));
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) +
                             " && 7z a -tzip -pright -mem=AES256 ../aes.zip a.txt b.txt c.txt"),
              0);
    start(q(path("aes.zip")));
    ASSERT_TRUE(enabled("Mnu_Tester"));
    prompts->passwordAnswers = {QStringLiteral("wrong"), QStringLiteral("right")};
    trigger("Mnu_Tester");
    std::vector<QString> asked;
    for (const auto &a : prompts->asked)
        if (a.kind == QStringLiteral("password")) asked.push_back(a.text);
    EXPECT_EQ(asked, std::vector<QString>(2, QStringLiteral("Mot de passe de « a.txt » :")));
    const auto shown = prompts->messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, QStringLiteral("Test de l'archive"));
    EXPECT_EQ(shown[0].text, QStringLiteral("3 fichiers vérifiés : aucune erreur."));
    EXPECT_EQ(shown[0].icon, Prompts::Icon::Information);
}

TEST_F(ExtractAddCommandsTest, AStoppedTestSaysNothing) {
    start(q(makeBigArchive(6 << 20)));
    stopLongWork();
    trigger("Mnu_Tester");
    EXPECT_TRUE(longWorkStopped);
    EXPECT_TRUE(prompts->messages().empty());
    EXPECT_TRUE(enabled("Mnu_Tester"));
}

} // namespace
