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
#include <set>

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
    // What a folder holds, hidden files (temporaries) included.
    std::set<std::string> names(const std::string &folder) {
        std::set<std::string> found;
        for (const auto &e : fs::directory_iterator(folder))
            found.insert(e.path().filename().string());
        return found;
    }
    // photos.zip wholly encrypted with `secret` by `zip` or by 7-Zip (AES).
    std::string encrypted(bool aes) {
        WriteFile(path("src/secret.txt"), "le contenu secret");
        const std::string command =
            aes ? "7z a -tzip -psecret -mem=AES256 ../photos.zip secret.txt >/dev/null"
                : "zip -q -P secret ../photos.zip secret.txt";
        EXPECT_EQ(Shell("cd " + Quote(path("src")) + " && " + command), 0);
        return path("photos.zip");
    }

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

struct Proposal {
    const char *name;
    const char *program, *folder;
};

class ProposedFolder : public Form1Test, public ::testing::WithParamInterface<Proposal> {};

// Only the last extension goes; a name that would leave nothing, or the program's own name,
// gets "_files" so that the folder can exist beside the program.
TEST_P(ProposedFolder, IsNamedAfterTheProgram) {
    const auto w = window(build(photos(), path(std::string("dl/") + GetParam().program)));
    ASSERT_TRUE(w->Form_Load());
    EXPECT_EQ(child<QLineEdit>(*w, "Text1")->text(),
              q(path(std::string("dl/") + GetParam().folder)));
}

INSTANTIATE_TEST_SUITE_P(Names, ProposedFolder,
                         ::testing::Values(Proposal{"TwoDots", "my.backup.exe", "my.backup/"},
                                           Proposal{"NoExtension", "photos", "photos_files/"},
                                           Proposal{"OnlyAnExtension", ".exe", ".exe_files/"}),
                         [](const auto &info) { return info.param.name; });

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

struct BrokenPayload {
    const char *name;
    bool cutShort;        // else one byte of the payload altered
    const char *existing; // photos.zip already in the folder, or nullptr
    fs::perms mode;
    const char *messageStart;
};

class BrokenPayloadTest : public Form1Test, public ::testing::WithParamInterface<BrokenPayload> {};

// A payload that cannot be written whole leaves the folder as it was: no part of it, no
// temporary file, and a file already at its name kept byte for byte with its mode.
TEST_P(BrokenPayloadTest, LeavesTheFolderAsItWas) {
    const BrokenPayload &p = GetParam();
    const std::string program = build(photos(), path("photos.exe"));
    std::string bytes = ReadFile(program);
    if (p.cutShort)
        bytes.resize(bytes.size() - 50);
    else
        bytes[bytes.size() - 5] = static_cast<char>(bytes[bytes.size() - 5] ^ 0x5A);
    WriteFile(program, bytes);
    std::set<std::string> before;
    if (p.existing) {
        WriteFile(path("photos/photos.zip"), p.existing);
        fs::permissions(path("photos/photos.zip"), p.mode);
        before = {"photos.zip"};
    }
    const auto w = window(program);
    ASSERT_TRUE(w->Form_Load());
    child<QPushButton>(*w, "Command1")->click();

    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("ERREUR"));
    EXPECT_TRUE(prompts->messages()[0].text.startsWith(QString::fromUtf8(p.messageStart)))
        << prompts->messages()[0].text.toStdString();
    EXPECT_EQ(child<QLabel>(*w, "Status")->text(), QStringLiteral("Extraction abandonée!"));
    EXPECT_EQ(names(path("photos")), before);
    if (p.existing) {
        EXPECT_EQ(ReadFile(path("photos/photos.zip")), p.existing);
        EXPECT_EQ(fs::status(path("photos/photos.zip")).permissions(), p.mode);
    }
    EXPECT_EQ(ended, std::vector<int>{1});
}

constexpr auto kReadOnly = fs::perms::owner_read | fs::perms::group_read;
constexpr auto kWritable = fs::perms::owner_read | fs::perms::owner_write;
constexpr const char *kCodec = "Erreur rencontrée lors de la décompression !\r\n-2147221504: ";
constexpr const char *kNoData = "Pas de données trouvées dans ce fichier !";

INSTANTIATE_TEST_SUITE_P(
    Failures, BrokenPayloadTest,
    ::testing::Values(
        BrokenPayload{"AlteredIntoAnEmptyFolder", false, nullptr, fs::perms::none, kCodec},
        BrokenPayload{"AlteredBesideAReadOnlyArchive", false, "the user's own photos.zip",
                      kReadOnly, kCodec},
        BrokenPayload{"AlteredBesideAWritableArchive", false, "a longer file of the user's, kept",
                      kWritable, kCodec},
        BrokenPayload{"CutShortIntoAnEmptyFolder", true, nullptr, fs::perms::none, kNoData}),
    [](const auto &info) { return info.param.name; });

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

class EncryptedPayload : public Form1Test, public ::testing::WithParamInterface<bool> {};

TEST_P(EncryptedPayload, AsksAgainAfterAWrongPassword) {
    const auto w = window(build(encrypted(GetParam()), path("dl/photos.exe")));
    ASSERT_TRUE(w->Form_Load());
    prompts->passwordAnswers = {QStringLiteral("wrong"), QStringLiteral("secret")};
    child<QPushButton>(*w, "Command1")->click();

    EXPECT_EQ(ReadFile(path("dl/photos/secret.txt")), "le contenu secret");
    ASSERT_EQ(prompts->asked.size(), 3u);
    EXPECT_EQ(prompts->asked[0].kind, QStringLiteral("password"));
    EXPECT_EQ(prompts->asked[0].title, QStringLiteral("Mot de passe"));
    EXPECT_EQ(prompts->asked[0].text, QStringLiteral("Mot de passe de « secret.txt » :"));
    // Why it is asked again, then the same question.
    EXPECT_TRUE(prompts->asked[1].text.startsWith(QStringLiteral("Mot de passe incorrect")))
        << prompts->asked[1].text.toStdString();
    EXPECT_TRUE(
        prompts->asked[1].text.endsWith(QStringLiteral(" ».\nMot de passe de « secret.txt » :")))
        << prompts->asked[1].text.toStdString();
    EXPECT_EQ(prompts->asked[2].text, QStringLiteral("Extraction terminée avec succès !"));
    EXPECT_EQ(ended, std::vector<int>{0});
}

TEST_P(EncryptedPayload, NoPasswordKeepsTheDecodedArchive) {
    const std::string archive = encrypted(GetParam());
    const auto w = window(build(archive, path("dl/photos.exe")));
    ASSERT_TRUE(w->Form_Load());
    prompts->passwordAnswers = {QStringLiteral("wrong"), std::nullopt};
    child<QPushButton>(*w, "Command1")->click();

    EXPECT_EQ(names(path("dl/photos")), std::set<std::string>{"photos.zip"});
    EXPECT_EQ(ReadFile(path("dl/photos/photos.zip")), ReadFile(archive));
    const auto messages = prompts->messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, Prompts::Icon::Warning);
    EXPECT_EQ(
        messages[0].text,
        QStringLiteral(
            "L'archive « photos.zip » a été conservée : elle contient des fichiers chiffrés."));
    EXPECT_EQ(child<QLabel>(*w, "Status")->text(), QStringLiteral("Extraction abandonée!"));
    EXPECT_EQ(ended, std::vector<int>{1});
}

INSTANTIATE_TEST_SUITE_P(Methods, EncryptedPayload, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Aes" : "Traditional"; });

// A hand-made program whose payload, photos.zip's bytes, is stored as `payloadName`.
std::string ProgramWithPayloadName(const std::string &program, const std::string &archive,
                                   const std::string &payloadName) {
    const std::string stream = HuffmanCoding::HuffmanEncode(ReadFile(archive), false);
    WriteFile(program,
              sfxtest::FakeStub() + sfx::SfxHeaderBytes({payloadName}, {stream.size()}) + stream);
    return program;
}

TEST_F(Form1Test, APayloadNamedAfterTheProgramNeverReplacesIt) {
    const std::string program =
        ProgramWithPayloadName(path("dl/photos.exe"), photos(), "photos.exe");
    const std::string bytes = ReadFile(program);
    const auto w = window(program);
    ASSERT_TRUE(w->Form_Load());
    child<QLineEdit>(*w, "Text1")->setText(q(path("dl")));
    child<QPushButton>(*w, "Command1")->click();

    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].text,
              QStringLiteral("Erreur rencontrée lors de la décompression !\r\n26: « ") +
                  q(path("dl/photos.exe")) +
                  QStringLiteral(" » est ce programme lui-même : il n'est pas remplacé."));
    EXPECT_EQ(ReadFile(program), bytes);
    EXPECT_EQ(names(path("dl")), std::set<std::string>{"photos.exe"});
    EXPECT_EQ(ended, std::vector<int>{1});
}

struct LinkAtPayload {
    const char *name;
    bool symbolic;
};

class LinkAtPayloadName : public Form1Test, public ::testing::WithParamInterface<LinkAtPayload> {};

// A link at the archive's name is never written through: a hard link is replaced by the new
// file, a symbolic one refused; the file it reaches keeps its bytes either way.
TEST_P(LinkAtPayloadName, IsNotWrittenThrough) {
    const std::string program = build(photos(), path("dl/photos.exe"));
    WriteFile(path("victim"), "the user's file elsewhere");
    fs::create_directories(path("dl/photos"));
    if (GetParam().symbolic)
        fs::create_symlink(path("victim"), path("dl/photos/photos.zip"));
    else
        fs::create_hard_link(path("victim"), path("dl/photos/photos.zip"));
    const auto w = window(program);
    ASSERT_TRUE(w->Form_Load());
    child<QPushButton>(*w, "Command1")->click();

    EXPECT_EQ(ReadFile(path("victim")), "the user's file elsewhere");
    ASSERT_EQ(prompts->messages().size(), 1u);
    if (GetParam().symbolic) {
        EXPECT_EQ(prompts->messages()[0].text,
                  QStringLiteral("Erreur rencontrée lors de la décompression !\r\n40: Lien "
                                 "symbolique refusé : « ") +
                      q(path("dl/photos/photos.zip")) + QStringLiteral(" »"));
        EXPECT_TRUE(fs::is_symlink(path("dl/photos/photos.zip")));
        EXPECT_EQ(names(path("dl/photos")), std::set<std::string>{"photos.zip"});
        EXPECT_EQ(ended, std::vector<int>{1});
    } else {
        EXPECT_EQ(prompts->messages()[0].text, QStringLiteral("Extraction terminée avec succès !"));
        EXPECT_EQ(ReadFile(path("dl/photos/photos.zip")), ReadFile(path("photos.zip")));
        EXPECT_EQ(ReadFile(path("dl/photos/a.txt")), "alpha");
        EXPECT_EQ(ended, std::vector<int>{0});
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, LinkAtPayloadName,
                         ::testing::Values(LinkAtPayload{"Symbolic", true},
                                           LinkAtPayload{"Hard", false}),
                         [](const auto &info) { return info.param.name; });

struct LinkedFolder {
    const char *name;
    const char *typed; // the text typed into Text1, or nullptr to keep the proposal
    bool refused;
};

class LinkedFolderTest : public Form1Test, public ::testing::WithParamInterface<LinkedFolder> {};

// A link planted where the program proposes its folder is refused, retyped or not; a folder
// the user typed is followed, as the user chose it.
TEST_P(LinkedFolderTest, IsRefusedOnlyWhereTheProgramProposedIt) {
    const std::string program = build(photos(), path("dl/photos.exe"));
    fs::create_directories(path("elsewhere"));
    fs::create_directory_symlink(path("elsewhere"), path("dl/photos"));
    fs::create_directory_symlink(path("elsewhere"), path("mine"));
    const auto w = window(program);
    ASSERT_TRUE(w->Form_Load());
    if (GetParam().typed) child<QLineEdit>(*w, "Text1")->setText(q(path(GetParam().typed)));
    child<QPushButton>(*w, "Command1")->click();

    ASSERT_EQ(prompts->messages().size(), 1u);
    if (GetParam().refused) {
        EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("ERREUR"));
        EXPECT_EQ(prompts->messages()[0].text,
                  QStringLiteral("Erreur rencontrée lors de la décompression !\r\n40: Lien "
                                 "symbolique refusé : « ") +
                      q(path("dl/photos")) + QStringLiteral(" »"));
        EXPECT_TRUE(fs::is_empty(path("elsewhere")));
        EXPECT_EQ(ended, std::vector<int>{1});
    } else {
        EXPECT_EQ(prompts->messages()[0].text, QStringLiteral("Extraction terminée avec succès !"));
        EXPECT_EQ(ReadFile(path("elsewhere/a.txt")), "alpha");
        EXPECT_EQ(ended, std::vector<int>{0});
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, LinkedFolderTest,
                         ::testing::Values(LinkedFolder{"AsProposed", nullptr, true},
                                           LinkedFolder{"ProposedRetypedWithoutSeparator",
                                                        "dl/photos", true},
                                           LinkedFolder{"TypedByTheUser", "mine/", false}),
                         [](const auto &info) { return info.param.name; });

} // namespace
