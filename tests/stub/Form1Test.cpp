// The stub's window in process, on self-extracting programs built from real archives: what it
// proposes at start-up, what it writes, what it says, and that it ends the program each time.
#include "Form1.h"

#include "HuffmanCoding.h"
#include "ScriptedPrompts.h"
#include "SfxBuilder.h"
#include "SfxLayout.h"
#include "SfxTestUtil.h"
#include "ZipTestUtil.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace ziptest;
namespace fs = std::filesystem;

class Form1Test : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        prompts = &InstallScriptedPrompts();
        WriteFile(path("stub/Mivo-AutoExtractZIP.Dat"), sfxtest::FakeStub());
    }
    // A program built by the builder's own steps from `archive`.
    std::string build(const std::string &archive, const std::string &output) {
        fs::create_directories(fs::path(output).parent_path());
        const sfx::BuildResult result =
            sfx::BuildSelfExtractor({path("stub"), archive, output, "."}, {});
        EXPECT_TRUE(result.ok) << result.error;
        return output;
    }
    // photos.zip from `zip`: a.txt, docs/b.txt (1000 bytes, stored so the codec codes it), an
    // empty file.
    std::string photos() {
        WriteFile(path("src/a.txt"), "alpha");
        WriteFile(path("src/docs/b.txt"), std::string(1000, 'b'));
        WriteFile(path("src/empty.txt"), "");
        EXPECT_EQ(Shell("cd " + Quote(path("src")) +
                        " && zip -q -0 ../photos.zip a.txt docs/b.txt empty.txt"),
                  0);
        return path("photos.zip");
    }
    std::unique_ptr<Form1> window(const std::string &program) {
        auto w = std::make_unique<Form1>(QString::fromStdString(program),
                                         [this](int status) { ended.push_back(status); });
        return w;
    }
    template <typename T> T *child(Form1 &w, const char *name) {
        T *found = w.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString q(const std::string &s) { return QString::fromStdString(s); }

    ScriptedPrompts *prompts = nullptr;
    std::vector<int> ended;
};

TEST_F(Form1Test, OnePayloadTitlesAfterTheArchiveAndProposesAFolderBesideTheProgram) {
    const auto w = window(build(photos(), path("dl/photos.exe")));
    ASSERT_TRUE(w->Form_Load());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Mivo-AutoExtract - photos.zip"));
    EXPECT_TRUE(child<QListWidget>(*w, "List1")->isHidden());
    EXPECT_EQ(child<QLineEdit>(*w, "Text1")->text(), q(path("dl/photos/")));
    EXPECT_EQ(child<QLabel>(*w, "Status")->text(), QStringLiteral("Etat"));
    w->show();
    QApplication::setActiveWindow(w.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(*w, "Text1"));
    EXPECT_TRUE(ended.empty());
}

TEST_F(Form1Test, AProgramWithoutExtensionProposesAFolderThatCanExist) {
    const auto w = window(build(photos(), path("dl/photos")));
    ASSERT_TRUE(w->Form_Load());
    EXPECT_EQ(child<QLineEdit>(*w, "Text1")->text(), q(path("dl/photos_files/")));
}

TEST_F(Form1Test, ThreePayloadsMakeTheWindowTallerAndListTheNames) {
    std::vector<std::string> names = {"un.txt", "deux.txt", "trois.zip"};
    std::string payloads;
    std::vector<std::uint64_t> lengths;
    for (const std::string &n : names) {
        const std::string stream = HuffmanCoding::HuffmanEncode(n, false);
        lengths.push_back(stream.size());
        payloads += stream;
    }
    WriteFile(path("three.exe"),
              sfxtest::FakeStub() + sfx::SfxHeaderBytes(names, lengths) + payloads);
    const auto w = window(path("three.exe"));
    ASSERT_TRUE(w->Form_Load());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Mivo-AutoExtract - 3 fichier(s) trouvé(s)"));
    auto *list = child<QListWidget>(*w, "List1");
    EXPECT_FALSE(list->isHidden());
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("trois.zip"));
    EXPECT_EQ(w->height(), 3390 / 15);
    EXPECT_EQ(child<QLabel>(*w, "Status")->y(), 2760 / 15);
}

struct Invalid {
    const char *name;
    std::string (*bytes)();
};

class InvalidProgram : public Form1Test, public ::testing::WithParamInterface<Invalid> {};

TEST_P(InvalidProgram, SaysSoAndEndsTheProgram) {
    WriteFile(path("bad.exe"), GetParam().bytes());
    const auto w = window(path("bad.exe"));
    EXPECT_FALSE(w->Form_Load());
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("ERREUR"));
    EXPECT_EQ(prompts->messages()[0].icon, Prompts::Icon::Critical);
    EXPECT_EQ(prompts->messages()[0].text,
              QStringLiteral("Ce n'est pas un fichier Auto-Extractible valide !"));
    EXPECT_EQ(ended, std::vector<int>{1});
}

INSTANTIATE_TEST_SUITE_P(
    Files, InvalidProgram,
    ::testing::Values(Invalid{"TheStubAlone", [] { return sfxtest::FakeStub(); }},
                      Invalid{"AClimbingName",
                              [] {
                                  return sfxtest::FakeStub() +
                                         sfxtest::OneNameHeader("../evil.zip", 4) + "HE0\r";
                              }},
                      Invalid{"AFolderInTheName",
                              [] {
                                  return sfxtest::FakeStub() +
                                         sfxtest::OneNameHeader("d/evil.zip", 4) + "HE0\r";
                              }}),
    [](const auto &info) { return info.param.name; });

TEST_F(Form1Test, ExtractsEveryEntryAsUnzipDoesAndEnds) {
    const std::string archive = photos();
    ASSERT_EQ(Shell("unzip -q " + Quote(archive) + " -d " + Quote(path("byunzip"))), 0);
    const auto w = window(build(archive, path("dl/photos.exe")));
    ASSERT_TRUE(w->Form_Load());
    child<QPushButton>(*w, "Command1")->click();

    for (const char *file : {"a.txt", "docs/b.txt", "empty.txt"})
        EXPECT_EQ(ReadFile(path("dl/photos/") + file), ReadFile(path("byunzip/") + file)) << file;
    EXPECT_EQ(ReadFile(path("dl/photos/photos.zip")), ReadFile(archive)); // the archive stays
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("Terminé"));
    EXPECT_EQ(prompts->messages()[0].text, QStringLiteral("Extraction terminée avec succès !"));
    EXPECT_EQ(w->windowTitle(), "Mivo-ZipPRO - " + q(path("dl/photos/photos.zip")));
    EXPECT_EQ(ended, std::vector<int>{0});

    auto *list = child<QTreeWidget>(*w, "lvwArchive");
    ASSERT_EQ(list->topLevelItemCount(), 3);
    QStringList cells;
    for (int c = 0; c < 6; ++c)
        if (c != 1) cells << list->topLevelItem(1)->text(c);
    EXPECT_EQ(cells.join(u'|'), QStringLiteral("b.txt|1,000|1,000|0%|docs"));
    EXPECT_EQ(list->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 2);
    EXPECT_EQ(list->topLevelItem(2)->text(2), QString()); // empty: "###,###" of 0
}

// From the command-line builder and the real stub image to the files, compared with unzip's.
TEST_F(Form1Test, EndToEndFromMivoSfxToUnzipsBytes) {
    WriteFile(path("src/Été/notes.txt"), std::string(70000, 'n'));
    WriteFile(path("src/random.bin"), sfxtest::RandomBytes(300000));
    ASSERT_EQ(Shell("cd " + Quote(path("src")) + " && zip -q -r ../mix.zip Été random.bin"), 0);
    ASSERT_EQ(Shell("unzip -q " + Quote(path("mix.zip")) + " -d " + Quote(path("byunzip"))), 0);
    ASSERT_EQ(Shell(std::string(MIVO_SFX_BIN) + " " + Quote(path("mix.zip")) + " " +
                    Quote(path("mix.exe")) + " >/dev/null"),
              0);
    const auto w = window(path("mix.exe"));
    ASSERT_TRUE(w->Form_Load());
    child<QPushButton>(*w, "Command1")->click();
    EXPECT_EQ(ended, std::vector<int>{0});
    for (const char *file : {"Été/notes.txt", "random.bin"})
        EXPECT_EQ(ReadFile(path("mix/") + file), ReadFile(path("byunzip/") + file)) << file;
}

TEST_F(Form1Test, ADestinationWithoutSeparatorTakesTheArchiveInside) {
    const auto w = window(build(photos(), path("photos.exe")));
    ASSERT_TRUE(w->Form_Load());
    child<QLineEdit>(*w, "Text1")->setText(q(path("out")));
    child<QPushButton>(*w, "Command1")->click();
    EXPECT_TRUE(fs::exists(path("out/photos.zip")));
    EXPECT_EQ(ReadFile(path("out/a.txt")), "alpha");
    EXPECT_EQ(ended, std::vector<int>{0});
}

TEST_F(Form1Test, AMissingParentFolderIsASystemFailure) {
    const auto w = window(build(photos(), path("photos.exe")));
    ASSERT_TRUE(w->Form_Load());
    child<QLineEdit>(*w, "Text1")->setText(q(path("no/such/folder/")));
    child<QPushButton>(*w, "Command1")->click();
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("ERREUR"));
    EXPECT_EQ(prompts->messages()[0].text,
              QStringLiteral("Erreur rencontrée lors de la décompression !\r\n2: Fichier ou "
                             "dossier introuvable"));
    EXPECT_EQ(child<QLabel>(*w, "Status")->text(), QStringLiteral("Extraction abandonée!"));
    EXPECT_EQ(ended, std::vector<int>{1});
}

TEST_F(Form1Test, AnAlteredPayloadIsACodecFailureAndItsFileIsRemoved) {
    const std::string program = build(photos(), path("photos.exe"));
    std::string bytes = ReadFile(program);
    bytes[bytes.size() - 5] = static_cast<char>(bytes[bytes.size() - 5] ^ 0x5A);
    WriteFile(program, bytes);
    const auto w = window(program);
    ASSERT_TRUE(w->Form_Load());
    child<QPushButton>(*w, "Command1")->click();
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_TRUE(prompts->messages()[0].text.startsWith(
        QStringLiteral("Erreur rencontrée lors de la décompression !\r\n-2147221504: ")))
        << prompts->messages()[0].text.toStdString();
    EXPECT_FALSE(fs::exists(path("photos/photos.zip")));
    EXPECT_EQ(ended, std::vector<int>{1});
}

TEST_F(Form1Test, AProgramCutShortHasNoData) {
    const std::string program = build(photos(), path("photos.exe"));
    const std::string bytes = ReadFile(program);
    WriteFile(program, bytes.substr(0, bytes.size() - 50));
    const auto w = window(program);
    ASSERT_TRUE(w->Form_Load());
    child<QPushButton>(*w, "Command1")->click();
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].text,
              QStringLiteral("Pas de données trouvées dans ce fichier !"));
    EXPECT_EQ(ended, std::vector<int>{1});
}

TEST_F(Form1Test, HostileEntriesInsideTheArchiveNeverWriteOutside) {
    MakeRawArchive(path("evil.zip"), {{"../outside.txt", "x"}, {"/abs.txt", "y"}, {"ok.txt", "z"}});
    const auto w = window(build(path("evil.zip"), path("dl/evil.exe")));
    ASSERT_TRUE(w->Form_Load());
    child<QPushButton>(*w, "Command1")->click();
    EXPECT_FALSE(fs::exists(path("dl/outside.txt")));
    EXPECT_EQ(ReadFile(path("dl/evil/abs.txt")), "y"); // its leading '/' dropped
    EXPECT_EQ(ReadFile(path("dl/evil/ok.txt")), "z");
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_TRUE(prompts->messages()[0].text.startsWith(
        QStringLiteral("Erreur rencontrée lors de la décompression !\r\n")));
    EXPECT_EQ(ended, std::vector<int>{1});
}

TEST_F(Form1Test, TheCloseBoxIsRefusedAndEscapeCancels) {
    const auto w = window(build(photos(), path("photos.exe")));
    ASSERT_TRUE(w->Form_Load());
    w->show();
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(ended.empty());
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_EQ(ended, std::vector<int>{0});
}

TEST_F(Form1Test, ReturnInTheFolderFieldExtracts) {
    const auto w = window(build(photos(), path("photos.exe")));
    ASSERT_TRUE(w->Form_Load());
    w->show();
    QTest::keyClick(child<QLineEdit>(*w, "Text1"), Qt::Key_Return);
    EXPECT_EQ(ended, std::vector<int>{0});
    EXPECT_EQ(ReadFile(path("photos/a.txt")), "alpha");
}

} // namespace
