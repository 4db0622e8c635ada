// The add dialog without adding: where it opens, the file list and its filter, the selection
// and "&Ajouter", the accelerators, activation and the ways of cancelling.
#include "Zip2Fixture.h"

#include <QGroupBox>
#include <QTimer>

namespace {

using Module1::Shared;

class Zip2Test : public Zip2Fixture {};

TEST_F(Zip2Test, ControlsAndTexts) {
    Zip2 &d = dialog();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Ajouter des fichiers à la liste"));
    EXPECT_EQ(child<QGroupBox>(d, "Frame2")->title(), QStringLiteral("Options de compression"));
    EXPECT_EQ(child<QGroupBox>(d, "Frame3")->title(), QStringLiteral("Filtre de sélection "));
    EXPECT_EQ(filter()->text(), QStringLiteral("*.*"));
    EXPECT_EQ(box("Check1")->text(), QStringLiteral("Ne pas inclure les sous dossiers"));
    EXPECT_EQ(box("Check2")->text(), QStringLiteral("Encrypter le fichiers"));
    EXPECT_EQ(box("Check3")->text(), QStringLiteral("Ne pas inclure les noms de chemins"));
    EXPECT_EQ(button("Command1")->text(), QStringLiteral("&Ajouter"));
    EXPECT_EQ(button("Command3")->text(), QStringLiteral("&Tout sélectionner"));
    EXPECT_EQ(button("Command4")->text(), QStringLiteral("&Annuler"));
    EXPECT_FALSE(button("Command1")->isEnabled());
    EXPECT_EQ(child<QListWidget>(d, "List1")->count(), 0);
    // Alt+A is "&Ajouter"'s alone (pinned by the key tests); every other letter reaches one.
    EXPECT_EQ(SharedAccelerators(&d), (QStringList{"Command4", "Command1"}));
}

TEST_F(Zip2Test, ListsTheVisibleFilesOfTheStartFolderNoneSelected) {
    EXPECT_EQ(tree()->CurrentFolder(), src);
    EXPECT_EQ(listed(), (QStringList{"a.txt", "b.TXT", "c.doc", "README"}));
    EXPECT_EQ(selected(), QStringList());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(Zip2Test, StartFolderRules) {
    const QString onlySub = folder(QStringLiteral("only/sub")).chopped(4);
    const QString confirmed = folderWithFile(QStringLiteral("confirmed"));
    struct Case {
        QString lastAdd, confirmedExtract, opensAt;
    };
    for (const Case &c : {Case{onlySub, confirmed, app}, Case{base + "/missing", QString(), app},
                          Case{QString(), confirmed, confirmed}, Case{QString(), onlySub, app},
                          Case{QString(), QString(), QString()}}) {
        Forms::UnloadAll(); // loaded again with these folders
        Shared().LastAddFolder = c.lastAdd;
        Shared().ConfirmedExtractFolder = c.confirmedExtract;
        EXPECT_EQ(tree()->CurrentFolder(), c.opensAt) << c.lastAdd.toStdString();
        EXPECT_EQ(Shared().LastAddFolder, c.lastAdd);
        if (c.opensAt.isEmpty()) {
            EXPECT_EQ(listed(), QStringList());
        }
    }
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(Zip2Test, AFolderTheTreeCannotShowIsTheLoadFailure) {
    Forms::UnloadAll(); // loaded again with these folders
    Shared().AppFolder = base + QStringLiteral("/no program folder");
    Shared().LastAddFolder = base + QStringLiteral("/gone");
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(tree()->CurrentFolder(), QString());
    ASSERT_EQ(messages(), QStringList{QStringLiteral("Erreur|Le dossier n'existe plus !")});
    EXPECT_EQ(prompts->messages()[0].icon, Prompts::Icon::Warning);
    EXPECT_EQ(Shared().LastAddFolder, base + QStringLiteral("/no program folder"));
}

TEST_F(Zip2Test, FilterKeepsMatchingNamesAndFallsBackOnARefusedText) {
    const std::vector<std::pair<QString, QStringList>> cases = {
        {"*.txt", {"a.txt", "b.TXT"}},
        {"*.doc;READ*", {"c.doc", "README"}},
        {"*", {"a.txt", "b.TXT", "c.doc", "README"}},
        {"[ab", {"a.txt", "b.TXT", "c.doc", "README"}},
        {"sub/*.txt", {"a.txt", "b.TXT", "c.doc", "README"}},
        {"*.*", {"a.txt", "b.TXT", "c.doc", "README"}},
    };
    for (const auto &[text, expected] : cases) {
        filter()->setText(text);
        EXPECT_EQ(listed(), expected) << text.toStdString();
        EXPECT_EQ(filter()->text(), text);
    }
}

TEST_F(Zip2Test, SelectionEnablesAjouterAndAFolderChangeClearsIt) {
    select({"c.doc"});
    EXPECT_TRUE(button("Command1")->isEnabled());
    files()->clearSelection();
    EXPECT_FALSE(button("Command1")->isEnabled());
    button("Command3")->click();
    EXPECT_EQ(selected(), (QStringList{"a.txt", "b.TXT", "c.doc", "README"}));
    EXPECT_TRUE(button("Command1")->isEnabled());

    ASSERT_TRUE(tree()->SelectedFolder(src + QStringLiteral("/sub")));
    EXPECT_EQ(listed(), QStringList{"in.txt"});
    EXPECT_EQ(selected(), QStringList());
    EXPECT_FALSE(button("Command1")->isEnabled());

    select({"in.txt"});
    filter()->setText(QStringLiteral("*.t*")); // a new pattern lists afresh, nothing selected
    EXPECT_EQ(selected(), QStringList());
    EXPECT_FALSE(button("Command1")->isEnabled());
}

TEST_F(Zip2Test, AltAPressesAjouterOnlyWhenEnabledAndNeverAnnuler) {
    QPointer<Zip2> d = &dialog();
    showActive(*d);
    filter()->setFocus();
    press(*d, Qt::Key_A, Qt::AltModifier); // nothing selected: nothing happens
    ASSERT_FALSE(gone(d));
    EXPECT_EQ(filter()->text(), QStringLiteral("*.*")); // not typed into the field either
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Shared().DialogCancelled, 0);
    EXPECT_FALSE(QFileInfo::exists(archive));

    press(*d, Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(selected(), (QStringList{"a.txt", "b.TXT", "c.doc", "README"}));
    press(*d, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(gone(d));
    EXPECT_EQ(Shared().DialogCancelled, 0);
    EXPECT_EQ(entries(), (QStringList{withPath("a.txt"), withPath("b.TXT"), withPath("c.doc"),
                                      withPath("README")}));
}

// Return adds from the file list, where the focus starts, and does nothing in the filter field
// (the filter applies as typed): never the "&Annuler" Qt would make the default.
TEST_F(Zip2Test, ReturnAddsFromTheFileListAndDoesNothingInTheFilter) {
    QPointer<Zip2> d = &dialog();
    showActive(*d);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(files()));
    press(*d, Qt::Key_Return); // nothing selected: nothing to add
    ASSERT_FALSE(gone(d));
    select({"c.doc"});
    filter()->setFocus();
    press(*d, Qt::Key_Return);
    ASSERT_FALSE(gone(d));
    EXPECT_EQ(Shared().DialogCancelled, 0);
    EXPECT_FALSE(QFileInfo::exists(archive));
    files()->setFocus();
    press(*d, Qt::Key_Return);
    EXPECT_TRUE(gone(d));
    EXPECT_EQ(Shared().DialogCancelled, 0);
    EXPECT_EQ(entries(), QStringList{withPath("c.doc")});
}

// The real password question, left with Escape: Alt+A then presses "&Ajouter" again.
TEST_F(Zip2Test, AltAStillAddsAfterThePasswordQuestionWasLeftWithEscape) {
    setPrompts(nullptr); // Qt's dialogs
    QPointer<Zip2> d = &dialog();
    showActive(*d);
    box("Check2")->setChecked(true);
    select({"a.txt"});
    // Every question is left with Escape, so that the test never stays in its loop.
    QStringList asked;
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, [&] {
        QWidget *question = QApplication::activeModalWidget();
        if (!question || question == d) return;
        asked << question->windowTitle();
        QTest::keyClick(question->windowHandle(), Qt::Key_Escape);
    });
    escape.start(100);
    press(*d, Qt::Key_A, Qt::AltModifier);
    QTest::qWait(400);
    ASSERT_EQ(asked, QStringList{QStringLiteral("Chiffrement des fichiers")});
    ASSERT_FALSE(gone(d));
    EXPECT_FALSE(QFileInfo::exists(archive));
    press(*d, Qt::Key_A, Qt::AltModifier); // the box was set back to the stored option
    QTest::qWait(400);
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(gone(d));
    EXPECT_EQ(entries(), QStringList{withPath("a.txt")});
    setPrompts(nullptr);
}

TEST_F(Zip2Test, EveryCancelWritesNothingAndTheNextShowingHasTheStoredOptions) {
    Shared().NoPathNamesOption = 1;
    Forms::UnloadAll(); // loaded again with this option
    const std::vector<std::function<void(Zip2 &)>> cancels = {
        [this](Zip2 &) { button("Command4")->click(); }, [](Zip2 &d) { press(d, Qt::Key_Escape); },
        [](Zip2 &d) { d.close(); }, // the title bar
    };
    for (const auto &cancel : cancels) {
        Shared().DialogCancelled = 0;
        QPointer<Zip2> d = &dialog();
        showActive(*d);
        EXPECT_FALSE(box("Check1")->isChecked());
        EXPECT_FALSE(box("Check2")->isChecked());
        EXPECT_TRUE(box("Check3")->isChecked());
        box("Check1")->setChecked(true);
        box("Check3")->setChecked(false);
        select({"a.txt"});
        cancel(*d);
        EXPECT_TRUE(gone(d));
        EXPECT_EQ(Shared().DialogCancelled, 1);
    }
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_EQ(Shared().NoSubFoldersOption, 0);
    EXPECT_EQ(Shared().NoPathNamesOption, 1);
    EXPECT_EQ(Shared().LastAddFolder, src);
}

TEST_F(Zip2Test, ActivationSetsColoursThenTheBoxesFromTheStoredOptions) {
    auto &s = Shared();
    s.FolderListBackColor = 0x00336699;
    s.FileListBackColor = 0x00FFEECC; // 0x00BBGGRR
    s.FileListTextColor = 0x00000080;
    s.EncryptOption = 1;
    Forms::UnloadAll(); // loaded again with these options
    Zip2 &d = dialog();
    box("Check2")->setChecked(false); // changed before the activation: lost
    showActive(d);
    EXPECT_EQ(tree()->BackColor(), 0x00336699u);
    for (const char *name : {"File1", "Text1", "List1"}) {
        const QPalette p = child<QWidget>(d, name)->palette();
        EXPECT_EQ(p.color(QPalette::Base), QColor(0xCC, 0xEE, 0xFF)) << name;
        EXPECT_EQ(p.color(QPalette::Text), QColor(0x80, 0, 0)) << name;
    }
    EXPECT_TRUE(box("Check2")->isChecked());
}

} // namespace
