// The main window driven offscreen through its actions, its list and its events.
#include "UnzipFixture.h"

#include "EntryListModel.h"
#include "Forms.h"
#include "Module1.h"
#include "Unzip.h"
#include "VFzip.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

using UnzipWindowTest = UnzipFixture;

TEST_F(UnzipWindowTest, StartsWithoutAnArchive) {
    Unzip &w = start();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Mivo-Zip Version 1.3"));
    EXPECT_EQ(states(), kNone);
    for (const char *name :
         {"Toolbar1_Button1", "Toolbar1_Button2", "Toolbar1_Button6", "Toolbar1_Button7"})
        EXPECT_TRUE(enabled(name));
    EXPECT_FALSE(child<QCheckBox>("Check1")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("OptionDEC_0")->isChecked());
    EXPECT_EQ(panel(1), QString());
    EXPECT_FALSE(panel(4).isEmpty());
}

TEST_F(UnzipWindowTest, OpensTheCommandLineArchiveWithRowsNewestFirst) {
    const std::string archive = makeArchive();
    Unzip &w = start(q(archive));
    EXPECT_EQ(w.windowTitle(), "Mivo-Zip Version 1.3 : " + q(archive));
    EXPECT_EQ(states(), kArchive);
    ASSERT_EQ(rows().size(), 3u);
    EXPECT_TRUE(rows()[0].startsWith(QStringLiteral("c.txt|")));
    EXPECT_TRUE(rows()[0].endsWith(QStringLiteral("|0|0%|0|")));
    EXPECT_TRUE(rows()[1].startsWith(QStringLiteral("a.txt|")));
    EXPECT_TRUE(rows()[1].endsWith(QStringLiteral("|d")));
    EXPECT_TRUE(rows()[2].startsWith(QStringLiteral("a.txt|31/12/2020|1000|")));
    EXPECT_TRUE(rows()[2].endsWith(QStringLiteral("|")));
    const qint64 size = std::filesystem::file_size(archive);
    EXPECT_EQ(panel(2), QStringLiteral("three.zip :  %1 Octets ").arg(size));
    EXPECT_EQ(panel(3), QStringLiteral(" 3 Fichiers "));
    EXPECT_EQ(QString::fromStdString(Forms::VFzip1().ZipFileName), q(archive));
    // Each row keeps the entry's full name.
    EXPECT_EQ(w.model()->fullNameAt(1), QStringLiteral("d/a.txt"));
    EXPECT_EQ(w.model()->fullNameAt(2), QStringLiteral("a.txt"));
}

TEST_F(UnzipWindowTest, CommandLineFormsQuotedAndRelative) {
    makeArchive("my archive.zip");
    start(QStringLiteral("\"%1\"").arg(q(path("my archive.zip"))));
    EXPECT_EQ(Module1::Shared().CurrentArchive, q(path("my archive.zip")));
    Forms::UnloadAll();

    const QString saved = QDir::currentPath();
    QDir::setCurrent(q(root.string()));
    start(QStringLiteral("my archive.zip"));
    EXPECT_EQ(Module1::Shared().CurrentArchive, q(root.string()) + "/my archive.zip");
    EXPECT_EQ(Module1::Shared().CurrentArchiveTitle, QStringLiteral("my archive.zip"));
    EXPECT_EQ(rows().size(), 3u);
    Forms::UnloadAll();
    std::filesystem::copy_file(path("my archive.zip"), path("x"));
    start(QStringLiteral("x")); // one character: a bare name
    EXPECT_EQ(Module1::Shared().CurrentArchive, q(root.string()) + "/x");
    EXPECT_EQ(rows().size(), 3u);
    QDir::setCurrent(saved);
}

TEST_F(UnzipWindowTest, MissingOrDamagedCommandLineArchiveKeepsTheProgramRunning) {
    Unzip &w = start(q(path("missing.zip")));
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("Erreur"));
    EXPECT_TRUE(panel(1).contains(QStringLiteral("missing.zip")));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(ended, 0);
    Forms::UnloadAll();

    WriteFile(path("junk.zip"), "not an archive at all");
    start(q(path("junk.zip")));
    ASSERT_EQ(prompts->messages().size(), 2u);
    EXPECT_TRUE(prompts->messages()[1].text.contains(QStringLiteral("ZIP")));
    EXPECT_EQ(ended, 0);
}

TEST_F(UnzipWindowTest, OpenCancelFailureAndSuccess) {
    const std::string archive = makeArchive();
    Unzip &w = start();
    trigger("open"); // cancelled
    ASSERT_EQ(prompts->asked.size(), 1u);
    EXPECT_EQ(prompts->asked[0].title, QStringLiteral("Ouvrir un fichier ZIP"));
    EXPECT_EQ(prompts->asked[0].text, QStringLiteral("Fichiers zip  (*.zip)"));
    EXPECT_TRUE(enabled("unzipallfiles"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Mivo-Zip Version 1.3"));

    prompts->openAnswers.push_back(q(archive));
    trigger("Toolbar1_Button2");
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_EQ(states(), kArchive);

    // A damaged archive ends quietly: the reason in panel 1, the rest as it was.
    WriteFile(path("bad.zip"), "PK\x03\x04garbage");
    prompts->openAnswers.push_back(q(path("bad.zip")));
    trigger("open");
    EXPECT_TRUE(prompts->messages().empty());
    EXPECT_FALSE(panel(1).isEmpty());
    EXPECT_EQ(w.windowTitle(), "Mivo-Zip Version 1.3 : " + q(archive));
    EXPECT_EQ(panel(3), QStringLiteral(" 3 Fichiers "));
}

// New on the open archive's own name: the file goes, and so do the rows it showed.
TEST_F(UnzipWindowTest, NewDeletesAnExistingFileAndEmptiesTheListOfThePreviousArchive) {
    Unzip &w = start(q(makeArchive("old.zip")));
    ASSERT_EQ(rows().size(), 3u);
    prompts->saveAnswers.push_back(q(path("old.zip")));
    trigger("Mnu_Nouveau");
    EXPECT_EQ(prompts->asked[0].title, QStringLiteral("Nouveau fichier ZIP"));
    EXPECT_FALSE(std::filesystem::exists(path("old.zip")));
    EXPECT_EQ(w.windowTitle(), "Mivo-Zip Version 1.3 : " + q(path("old.zip")));
    EXPECT_EQ(panel(2), QStringLiteral("old.zip : "));
    EXPECT_EQ(panel(3), QStringLiteral("0 Fichiers "));
    EXPECT_EQ(states(), kNew);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(QString::fromStdString(Forms::VFzip1().ZipFileName), q(path("old.zip")));
}

TEST_F(UnzipWindowTest, CancellingNewHidesTheOptionsFrame) {
    start();
    trigger("Toolbar1_Button1");
    EXPECT_TRUE(child<QGroupBox>("Frame5")->isHidden());
    EXPECT_FALSE(child<QGroupBox>("Frame4")->isHidden());
    EXPECT_TRUE(enabled("unzipallfiles"));
    EXPECT_FALSE(enabled("Mnu_AutoExtract"));
}

TEST_F(UnzipWindowTest, EmptyArchiveShowsZeroWithItsBlankAfterOpen) {
    WriteFile(path("empty.zip"), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    start(q(path("empty.zip")));
    EXPECT_EQ(panel(3), QStringLiteral(" 0 Fichiers "));
    EXPECT_EQ(panel(2), QStringLiteral("empty.zip :  22 Octets "));
}

TEST_F(UnzipWindowTest, CloseEmptiesEverythingAndKeepsOpenAvailable) {
    Unzip &w = start(q(makeArchive()));
    trigger("closefile");
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Mivo-Zip Version 1.3 : "));
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(panel(i), QString());
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(states(), kNone);
    EXPECT_TRUE(enabled("open"));
}

TEST_F(UnzipWindowTest, ClickingRowsSwitchesTheExtractChoiceAndRemoval) {
    start(q(makeArchive()));
    QTreeView *view = list();
    view->selectionModel()->select(view->model()->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      view->visualRect(view->model()->index(0, 0)).center());
    EXPECT_TRUE(child<QRadioButton>("OptionDEC_1")->isChecked());
    EXPECT_TRUE(enabled("Mnu_SupFich"));
    EXPECT_TRUE(enabled("Toolbar1_Button5"));
    EXPECT_EQ(Module1::Shared().CurrentEntry, QStringLiteral("d/a.txt")); // bottom-most selected

    view->clearSelection();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(5, view->viewport()->height() - 3));
    EXPECT_TRUE(child<QRadioButton>("OptionDEC_0")->isChecked());
    EXPECT_FALSE(enabled("Mnu_SupFich"));
    EXPECT_FALSE(enabled("Toolbar1_Button5"));
}

TEST_F(UnzipWindowTest, QuitCopiesTheCheckBoxesAndWritesTheOptionsFile) {
    Unzip &w = start();
    Module1::Shared().LastAddFolder = QStringLiteral("/data/a,b");
    child<QCheckBox>("Check2")->setChecked(true);
    trigger("Mnu_Quitter");
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(ReadFile(path("Mivo-Zip.cfg")), "0,1,0,0,0,0\r\n\"/data/a,b\"\r\n\"\"\r\n");
    (void)w;
}

TEST_F(UnzipWindowTest, ClosingTheWindowQuitsToo) {
    Unzip &w = start();
    w.close();
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(std::filesystem::exists(path("Mivo-Zip.cfg")));
}

TEST_F(UnzipWindowTest, StoredOptionsTickTheBoxesAndComeBackOnActivation) {
    WriteFile(path("Mivo-Zip.cfg"), "1,0,1,0,0,0\r\n\"\"\r\n\"\"\r\n");
    Unzip &w = start();
    EXPECT_TRUE(child<QCheckBox>("Check1")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("Check2")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("Check3")->isChecked());
    child<QCheckBox>("Check1")->setChecked(false);
    QEvent activation(QEvent::ActivationChange);
    QApplication::setActiveWindow(&w);
    QApplication::sendEvent(&w, &activation);
    EXPECT_TRUE(w.isActiveWindow());
    EXPECT_TRUE(child<QCheckBox>("Check1")->isChecked());
}

TEST_F(UnzipWindowTest, ChoosingAColourWritesTheColoursFileAndPaintsTheList) {
    start();
    prompts->colourAnswers.push_back(QColor(0x10, 0x20, 0x30));
    trigger("Mnu_CoulFdFICH");
    EXPECT_EQ(ReadFile(path("MIVOZIPCouleurs.cfg")), " 16777215  3153936 -2147483640 \r\n");
    EXPECT_EQ(list()->palette().color(QPalette::Base), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(prompts->colourPresets.back(), QColor(Qt::white));

    trigger("Mnu_CoulTXTFICH"); // cancelled: nothing changes
    EXPECT_EQ(ReadFile(path("MIVOZIPCouleurs.cfg")), " 16777215  3153936 -2147483640 \r\n");
    prompts->colourAnswers.push_back(QColor(255, 0, 0));
    trigger("Mnu_CoulTXTFICH");
    EXPECT_EQ(ReadFile(path("MIVOZIPCouleurs.cfg")), " 16777215  3153936  255 \r\n");
    EXPECT_EQ(list()->palette().color(QPalette::Text), QColor(255, 0, 0));
}

TEST_F(UnzipWindowTest, AboutShowsFiveLinesWithTwoEmptyOnes) {
    start();
    trigger("Toolbar1_Button6");
    ASSERT_EQ(prompts->messages().size(), 1u);
    const auto about = prompts->messages()[0];
    EXPECT_EQ(about.title, QStringLiteral("A propos"));
    EXPECT_EQ(about.icon, Prompts::Icon::Information);
    const QStringList lines = about.text.split(u'\r');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("Mivo-Zip Version 1.3"));
    EXPECT_EQ(lines[1], QString());
    EXPECT_EQ(lines[5], QString());
    EXPECT_EQ(lines.count(QString()), 2);
}

TEST_F(UnzipWindowTest, ReaderEventsDriveTheStatusBarAndProgressBar) {
    Unzip &w = start(q(makeArchive()));
    auto *bar = child<QProgressBar>("ProgressBar1");
    w.VFunzip1.Progress(0, 5000, "");
    EXPECT_EQ(bar->maximum(), 5000);
    w.VFunzip1.Progress(2500, 5000, "");
    EXPECT_EQ(bar->value(), 2500);
    w.VFunzip1.Progress(0, 8000000000LL, ""); // beyond what a bar holds: scaled
    w.VFunzip1.Progress(4000000000LL, 8000000000LL, "");
    EXPECT_EQ(bar->value() * 2, bar->maximum());
    w.VFunzip1.DisplayMessage("Extraction de a.txt");
    EXPECT_EQ(panel(1), QStringLiteral("Extraction de a.txt"));
}

TEST_F(UnzipWindowTest, ADroppedZipFileOpensAsOpenWould) {
    const std::string archive = makeArchive();
    Unzip &w = start();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(q(archive))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_EQ(w.windowTitle(), "Mivo-Zip Version 1.3 : " + q(archive));
}

TEST_F(UnzipWindowTest, LayoutFollowsTheFixedPositions) {
    start();
    EXPECT_EQ(child<QTreeView>("ListView1")->geometry(), QRect(8, 16, 489, 209));
    // Frame4 may grow to the right with a caption of Frame6, never move or shrink.
    const QRect frame4 = child<QGroupBox>("Frame4")->geometry();
    EXPECT_EQ(frame4.topLeft(), QPoint(8, 72));
    EXPECT_GE(frame4.width(), 505);
    EXPECT_EQ(frame4.height(), 345);
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->geometry(), QRect(8, 232, 489, 17));
    EXPECT_EQ(child<QGroupBox>("Frame6")->title(), QStringLiteral("Sélection"));
    EXPECT_EQ(child<QAction>("unzipallfiles")->text(), QStringLiteral("&Extraire  les fichiers"));
    EXPECT_EQ(child<QAction>("Toolbar1_Button7")->toolTip(), QStringLiteral("Quitter Mivo-ZIP"));
    const auto *header = list()->model();
    QStringList captions;
    for (int c = 0; c < 6; ++c)
        captions << header->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(captions.join(u','), QStringLiteral("Fichier,Date,Taille,Taux,Compression,Chemin"));
    EXPECT_EQ(list()->columnWidth(0), 294);
    EXPECT_EQ(list()->toolTip(), QStringLiteral("Double clic pour ouverture d'un fichier"));
}

} // namespace
