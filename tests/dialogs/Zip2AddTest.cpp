// "&Ajouter": the options and encryption as the peers read them, one rewrite per add, the
// files left out shown once, the stored options, and the main window brought up to date.
#include "../mainwindow/UnzipFixture.h"
#include "Zip2Fixture.h"

#include <QTimer>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

using Module1::Shared;

class Zip2AddTest : public Zip2Fixture {
protected:
    // Selects `names` and presses "&Ajouter"; true when the dialog closed.
    bool add(const QStringList &names) {
        QPointer<Zip2> d = &dialog();
        showActive(*d);
        select(names);
        button("Command1")->click();
        return gone(d);
    }
    std::string archivePath() const { return ziptest::Quote(archive.toStdString()); }
};

TEST_F(Zip2AddTest, AddsWithPathNamesAndStoresTheOptionsAndFolder) {
    Shared().NoSubFoldersOption = 1;
    ASSERT_TRUE(add({"b.TXT", "a.txt"}));
    EXPECT_EQ(entries(), (QStringList{withPath("a.txt"), withPath("b.TXT")}));
    EXPECT_EQ(ziptest::Shell("unzip -tq " + archivePath() + " >/dev/null"), 0);
    EXPECT_EQ(Shared().LastAddFolder, src);
    EXPECT_EQ(Shared().NoSubFoldersOption, 1);
    EXPECT_EQ(Shared().NoPathNamesOption, 0);
    EXPECT_EQ(Shared().EncryptOption, 0);
    EXPECT_EQ(Shared().DialogCancelled, 0);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(Zip2AddTest, NoPathNamesStoresBareNames) {
    QPointer<Zip2> d = &dialog();
    showActive(*d);
    box("Check3")->setChecked(true);
    box("Check1")->setChecked(true);
    select({"README", "c.doc"});
    files()->itemDoubleClicked(files()->item(3)); // the double-click adds what is selected
    ASSERT_TRUE(gone(d));
    EXPECT_EQ(entries(), (QStringList{"c.doc", "README"}));
    EXPECT_EQ(Shared().NoPathNamesOption, 1);
    EXPECT_EQ(Shared().NoSubFoldersOption, 1);
}

// Qt activates the dialog again after the password question, which sets the boxes back to the
// stored options: what is stored must be what was written.
class ReactivatingPrompts : public ScriptedPrompts {
public:
    std::optional<EncryptionChoice> encryption(QWidget *parent) override {
        QEvent activated(QEvent::ActivationChange);
        QCoreApplication::sendEvent(parent, &activated);
        return ScriptedPrompts::encryption(parent);
    }
};

TEST_F(Zip2AddTest, AesEncryptionReadsWithItsPasswordIn7zAndStoresTheOption) {
    auto owned = std::make_unique<ReactivatingPrompts>();
    prompts = owned.get();
    setPrompts(std::move(owned));
    prompts->encryptionAnswers.push_back(
        Prompts::EncryptionChoice{QStringLiteral("PASS"), Prompts::Encryption::Aes256});
    QPointer<Zip2> d = &dialog();
    showActive(*d);
    box("Check2")->setChecked(true);
    box("Check3")->setChecked(true);
    select({"a.txt", "c.doc"});
    button("Command1")->click();
    ASSERT_TRUE(gone(d));
    EXPECT_EQ(prompts->asked.size(), 1u); // one question for the whole add
    EXPECT_EQ(ziptest::Shell("7z t -pPASS " + archivePath() + " >/dev/null"), 0);
    EXPECT_NE(ziptest::Shell("7z t -pWRONG " + archivePath() + " >/dev/null 2>&1"), 0);
    const std::string listing = PeerOutput("7z l -slt " + archivePath());
    EXPECT_NE(listing.find("Method = AES-256 Deflate"), std::string::npos) << listing;
    EXPECT_EQ(Shared().EncryptOption, 1);
    EXPECT_EQ(Shared().NoPathNamesOption, 1);
}

TEST_F(Zip2AddTest, TraditionalEncryptionReadsWithItsPasswordInUnzip) {
    prompts->encryptionAnswers.push_back(
        Prompts::EncryptionChoice{QStringLiteral("PASS"), Prompts::Encryption::Traditional});
    Shared().EncryptOption = 1;
    ASSERT_TRUE(add({"README"}));
    EXPECT_EQ(ziptest::Shell("unzip -tq -P PASS " + archivePath() + " >/dev/null"), 0);
    EXPECT_NE(ziptest::Shell("unzip -tq -P WRONG " + archivePath() + " >/dev/null 2>&1"), 0);
    EXPECT_EQ(PeerOutput("unzip -p -P PASS " + archivePath()), "data of README");
}

TEST_F(Zip2AddTest, ACancelledPasswordAddsNothingAndKeepsTheDialog) {
    Shared().EncryptOption = 1;
    EXPECT_FALSE(add({"a.txt"})); // no answer scripted: cancelled
    EXPECT_EQ(prompts->asked.size(), 1u);
    EXPECT_EQ(prompts->asked[0].kind, QStringLiteral("encryption"));
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_EQ(Shared().DialogCancelled, 0);
    EXPECT_EQ(Shared().LastAddFolder, src);
}

TEST_F(Zip2AddTest, AnEmptyPasswordIsAnErrorAndWritesNothing) {
    prompts->encryptionAnswers.push_back(Prompts::EncryptionChoice{QString(), {}});
    Shared().EncryptOption = 1;
    EXPECT_TRUE(add({"a.txt", "c.doc"}));
    EXPECT_EQ(messages(), QStringList{"Erreur|Le mot de passe ne peut pas être vide."});
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_EQ(prompts->asked.size(), 2u); // asked once, then the one message
}

// The archive is replaced by a rename at each rewrite: one per add, whatever the file count.
TEST_F(Zip2AddTest, OneAddIsOneRewrite) {
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(src.toStdString()) + " && zip -q " +
                             archivePath() + " README"),
              0);
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, base.toLocal8Bit().constData(), IN_MOVED_TO | IN_CREATE), 0);
    ASSERT_TRUE(add({"a.txt", "b.TXT", "c.doc"}));
    int replaced = 0;
    alignas(inotify_event) char buffer[8192];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char *p = buffer; p < buffer + n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(p);
            if (event->len && std::string(event->name) == "out.zip") ++replaced;
            p += sizeof(inotify_event) + event->len;
        }
    ::close(watch);
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(entries(),
              (QStringList{"README", withPath("a.txt"), withPath("b.TXT"), withPath("c.doc")}));
}

TEST_F(Zip2AddTest, FilesLeftOutAreShownInOneErrorBoxAndTheOthersAdded) {
    // The archive itself is listed in the folder; gone.txt disappears once listed.
    archive = src + QStringLiteral("/out.zip");
    ASSERT_EQ(
        ziptest::Shell("cd " + ziptest::Quote(src.toStdString()) + " && zip -q out.zip README"), 0);
    ziptest::WriteFile(path("src/gone.txt"), "soon gone");
    Forms::UnloadAll(); // loaded again with these files listed
    Shared().CurrentArchive = archive;
    QPointer<Zip2> d = &dialog();
    showActive(*d);
    select({"a.txt", "gone.txt", "out.zip"});
    ASSERT_TRUE(QFile::remove(src + QStringLiteral("/gone.txt")));
    button("Command1")->click();
    ASSERT_TRUE(gone(d));
    ASSERT_EQ(messages(), QStringList{"Erreur|Le fichier « " + src +
                                      "/gone.txt » est introuvable.\r"
                                      "Ignoré (c'est l'archive elle-même) : " +
                                      src + "/out.zip"});
    EXPECT_EQ(prompts->messages()[0].icon, Prompts::Icon::Critical);
    EXPECT_EQ(entries(), (QStringList{"README", withPath("a.txt")}));
    EXPECT_EQ(Shared().LastAddFolder, src);
}

TEST_F(Zip2AddTest, WriterMessagesGoToTheMessageList) {
    Zip2 &d = dialog();
    auto *list = child<QListWidget>(d, "List1");
    ASSERT_TRUE(d.addFiles({src + QStringLiteral("/a.txt")}).committed);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "Ajout de " + withPath("a.txt"));
}

// The main window, started as the program starts it, around the add dialog shown modally.
class Zip2MainWindowTest : public UnzipFixture {
protected:
    void SetUp() override {
        UnzipFixture::SetUp();
        WriteFile(path("src/a.txt"), "alpha");
        src = q(path("src"));
    }
    // Shows the add dialog modally (as the add command does) and adds `name` from src.
    void addModally(const QString &name) {
        Zip2 &dialog = Forms::Zip2();
        Shared().DialogCancelled = 0;
        QTimer::singleShot(0, [&dialog, this, name] {
            auto *tree = dialog.findChild<ExplorerTree *>(QStringLiteral("Tree1"));
            ASSERT_TRUE(tree->SelectedFolder(src));
            auto *files = dialog.findChild<QListWidget *>(QStringLiteral("File1"));
            const auto found = files->findItems(name, Qt::MatchExactly);
            if (!found.isEmpty()) found[0]->setSelected(true);
            dialog.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        });
        dialog.exec();
    }
    QString src;
};

TEST_F(Zip2MainWindowTest, AnAddToANewArchiveUpdatesMenusButtonsAndSizePanel) {
    start();
    ASSERT_TRUE(Forms::Archive().create(q(path("new.zip"))));
    ASSERT_EQ(states(), kNew);
    addModally(QStringLiteral("a.txt"));
    EXPECT_EQ(Shared().DialogCancelled, 0);
    EXPECT_EQ(states(), "1100110");
    const qint64 size = QFileInfo(q(path("new.zip"))).size();
    ASSERT_GT(size, 0);
    EXPECT_EQ(panel(2), "new.zip :  " + QString::number(size) + " Octets ");
    EXPECT_EQ(Shared().LastAddFolder, src);
}

TEST_F(Zip2MainWindowTest, NothingWrittenLeavesTheMainWindowAsItWas) {
    start();
    ASSERT_TRUE(Forms::Archive().create(q(path("new.zip"))));
    WriteFile(path("src/gone.txt"), "x");
    Zip2 &dialog = Forms::Zip2();
    QTimer::singleShot(0, [&dialog, this] {
        auto *tree = dialog.findChild<ExplorerTree *>(QStringLiteral("Tree1"));
        ASSERT_TRUE(tree->SelectedFolder(src));
        dialog.findChild<QListWidget *>(QStringLiteral("File1"))
            ->findItems(QStringLiteral("gone.txt"), Qt::MatchExactly)[0]
            ->setSelected(true);
        QFile::remove(src + QStringLiteral("/gone.txt"));
        dialog.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    });
    dialog.exec();
    EXPECT_FALSE(QFileInfo::exists(q(path("new.zip"))));
    EXPECT_EQ(states(), kNew);
    EXPECT_EQ(Shared().LastAddFolder, QString());
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("Erreur"));
}

} // namespace
