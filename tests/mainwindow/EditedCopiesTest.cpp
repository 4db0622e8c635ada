// Entries opened from the list and saved by their application: the archive takes the copy back
// on "Oui", encrypted again as it was, and is left alone on "Non" or once it is closed. The
// desktop is a fake that opens nothing; the test plays the editor.
#include "UnzipFixture.h"

#include "DesktopLauncher.h"
#include "EditedCopies.h"
#include "SfxBuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class SilentLauncher : public DesktopLauncher {
public:
    QString MimeType(const QString &path) override { return path; }
    std::optional<DesktopApplication> DefaultApplication(const QString &) override {
        DesktopApplication editor;
        editor.id = QStringLiteral("editor.desktop");
        return editor;
    }
    std::vector<DesktopApplication> Applications(const QString &) override { return {}; }
    bool Launch(const DesktopApplication &, const QString &) override { return true; }
    bool StartProgram(const QString &, const QStringList &) override { return true; }
    bool SetDefault(const DesktopApplication &, const QString &) override { return true; }
};

class EditedCopiesTest : public UnzipFixture {
protected:
    void SetUp() override {
        UnzipFixture::SetUp();
        setLauncher(std::make_unique<SilentLauncher>());
    }
    void TearDown() override {
        setLauncher(nullptr);
        UnzipFixture::TearDown();
    }

    std::string copyOf(const std::string &entry) { return path("cache/Mivo-ZIP/ouverts/" + entry); }
    void openEntry(const QString &fullName) {
        QTreeView *view = list();
        view->clearSelection();
        for (int r = 0; r < view->model()->rowCount(); ++r)
            if (Forms::Unzip().model()->fullNameAt(r) == fullName)
                view->selectionModel()->select(view->model()->index(r, 0),
                                               QItemSelectionModel::Select |
                                                   QItemSelectionModel::Rows);
        emit view->doubleClicked(view->model()->index(0, 0));
    }
    // As most editors save: a new file beside the copy, renamed over it.
    void saveAsEditorsDo(const std::string &copy, const std::string &text) {
        WriteFile(copy + ".enregistrement", text);
        fs::rename(copy + ".enregistrement", copy);
    }
    std::vector<QString> questions() const {
        std::vector<QString> out;
        for (const auto &a : prompts->asked)
            if (a.kind == QStringLiteral("question")) out.push_back(a.title + u'|' + a.text);
        return out;
    }
    // Lets the watcher and its timer run for `ms`, or until `questionsAsked` questions were
    // (0: for the whole time).
    void runEvents(int ms, std::size_t questionsAsked = 0) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms &&
               (questionsAsked == 0 || questions().size() < questionsAsked)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
        }
    }
    // The output of a peer's command.
    std::string output(const std::string &command) {
        const std::string out = path("peer.out");
        EXPECT_EQ(ziptest::Shell("(" + command + " > " + ziptest::Quote(out) + ")"), 0) << command;
        return ReadFile(out);
    }
    static QString asked(const char *entry) {
        return QStringLiteral("Confirmation|") + EditedCopies::question(QString::fromLatin1(entry));
    }
};

// The entry is AES-128 (not the writer's own AES-256): it must stay AES-128, under the
// password the user gave when opening it, which is not asked again; its neighbour is untouched.
TEST_F(EditedCopiesTest, ASavedCopyGoesBackEncryptedTheSameWayAfterOneQuestion) {
    WriteFile(path("src/note.txt"), "first draft of the note");
    WriteFile(path("src/other.txt"), "the other entry");
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) +
                             " && 7z a -tzip -pS3cret -mem=AES128 ../enc.zip note.txt other.txt"
                             " >/dev/null"),
              0);
    const std::string archive = path("enc.zip");
    start(q(archive));
    prompts->passwordAnswers = {QStringLiteral("S3cret")};
    openEntry(QStringLiteral("note.txt"));
    ASSERT_EQ(ReadFile(copyOf("note.txt")), "first draft of the note");

    prompts->questionAnswers = {true};
    saveAsEditorsDo(copyOf("note.txt"), "second draft, longer than the first one");
    runEvents(5000, 1);
    runEvents(3 * EditedCopies::kSettleMs); // a second question would come by now
    EXPECT_EQ(questions(), std::vector<QString>{asked("note.txt")});
    EXPECT_TRUE(prompts->messages().empty());
    int passwords = 0;
    for (const auto &a : prompts->asked)
        passwords += a.kind == QStringLiteral("password");
    EXPECT_EQ(passwords, 1);

    EXPECT_EQ(output("7z x -so -pS3cret " + ziptest::Quote(archive) + " note.txt"),
              "second draft, longer than the first one");
    EXPECT_EQ(output("7z x -so -pS3cret " + ziptest::Quote(archive) + " other.txt"),
              "the other entry");
    const std::string listing = output("7z l -slt " + ziptest::Quote(archive));
    const auto note = listing.find("Path = note.txt");
    ASSERT_NE(note, std::string::npos) << listing;
    EXPECT_NE(listing.find("Method = AES-128 Deflate", note), std::string::npos) << listing;
    EXPECT_NE(ziptest::Shell("7z t -pwrong " + ziptest::Quote(archive) + " note.txt >/dev/null"),
              0);
    // The list is read again: the entry's new size shows.
    const std::vector<QString> shown = rows();
    EXPECT_NE(std::find_if(
                  shown.begin(), shown.end(),
                  [](const QString &r) { return r.startsWith("note.txt|") && r.contains("|39|"); }),
              shown.end());
}

// "Non" writes nothing; the next save is asked about again. A copy written in place (no
// rename) is a save too.
TEST_F(EditedCopiesTest, NonLeavesTheArchiveByteForByteAndTheNextSaveAsksAgain) {
    const std::string archive = makeArchive();
    start(q(archive));
    const std::string before = ReadFile(archive);
    openEntry(QStringLiteral("d/a.txt"));
    ASSERT_EQ(ReadFile(copyOf("d/a.txt")), "inner");
    runEvents(3 * EditedCopies::kSettleMs); // our own extraction is no save
    EXPECT_TRUE(questions().empty());

    saveAsEditorsDo(copyOf("d/a.txt"), "edited once");
    runEvents(5000, 1);
    EXPECT_EQ(questions(), std::vector<QString>{asked("d/a.txt")});
    EXPECT_EQ(ReadFile(archive), before);

    {
        std::FILE *f = std::fopen(copyOf("d/a.txt").c_str(), "ab");
        ASSERT_NE(f, nullptr);
        std::fputs(", then twice", f);
        std::fclose(f);
    }
    prompts->questionAnswers = {true};
    runEvents(5000, 2);
    EXPECT_EQ(questions(), std::vector<QString>(2, asked("d/a.txt")));
    EXPECT_EQ(output("unzip -p " + ziptest::Quote(archive) + " d/a.txt"),
              "edited once, then twice");
    EXPECT_EQ(output("unzip -p " + ziptest::Quote(archive) + " a.txt"), std::string(1000, 'a'));
}

// Once the archive is closed, or another one opened, saves ask nothing, even when the same
// archive is opened again.
TEST_F(EditedCopiesTest, ClosingOrLeavingTheArchiveStopsWatching) {
    const std::string archive = makeArchive();
    start(q(archive));
    const std::string before = ReadFile(archive);
    openEntry(QStringLiteral("a.txt"));
    trigger("closefile");
    prompts->questionAnswers = {true, true};
    saveAsEditorsDo(copyOf("a.txt"), "after closing");
    runEvents(3 * EditedCopies::kSettleMs);

    prompts->openAnswers = {q(archive)};
    trigger("open");
    openEntry(QStringLiteral("d/a.txt"));
    const std::string other = makeArchive("other.zip");
    prompts->openAnswers = {q(other)};
    trigger("open");
    saveAsEditorsDo(copyOf("d/a.txt"), "after opening another");
    runEvents(3 * EditedCopies::kSettleMs);

    EXPECT_TRUE(questions().empty());
    EXPECT_EQ(ReadFile(archive), before);
}

// A self-extracting program shown as an archive is never written: its copies ask nothing.
TEST_F(EditedCopiesTest, AProgramOpenedAsAnArchiveIsNeverWrittenBack) {
    WriteFile(path("stub/Mivo-AutoExtractZIP.Dat"), std::string("\x7f"
                                                                "ELF stub\r\n",
                                                                10));
    fs::create_directories(path("dl"));
    const sfx::BuildResult built =
        sfx::BuildSelfExtractor({path("stub"), makeArchive(), path("dl/three.run"), "."}, {});
    ASSERT_TRUE(built.ok) << built.error;
    const std::string before = ReadFile(path("dl/three.run"));
    start(q(path("dl/three.run")));
    openEntry(QStringLiteral("d/a.txt"));
    ASSERT_EQ(ReadFile(copyOf("d/a.txt")), "inner");
    prompts->questionAnswers = {true};
    saveAsEditorsDo(copyOf("d/a.txt"), "edited in a program");
    runEvents(3 * EditedCopies::kSettleMs);
    EXPECT_TRUE(questions().empty());
    EXPECT_EQ(ReadFile(path("dl/three.run")), before);
}

} // namespace
