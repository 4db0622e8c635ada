// The extraction dialog: where it opens, the new sub-folder panel, the ways of closing it and
// what each leaves in the shared state.
#include "DosZip2.h"
#include "FolderDialogFixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace {

using Module1::Shared;

class DosZip2Test : public FolderDialogFixture {
protected:
    DosZip2 &dialog() { return Forms::DosZip2(); }
    ExplorerTree *tree() { return child<ExplorerTree>(dialog(), "Tree1"); }
    QPushButton *button(const char *name) { return child<QPushButton>(dialog(), name); }
    bool shown(const char *name) { return !child<QWidget>(dialog(), name)->isHidden(); }
    QString label3() { return child<QLabel>(dialog(), "Label3")->text(); }
};

TEST_F(DosZip2Test, ControlsTextsAndTooltips) {
    DosZip2 &d = dialog();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Choix du dossier de décompression"));
    EXPECT_EQ(button("Command1")->text(), QStringLiteral("Nouveau dossier..."));
    EXPECT_EQ(button("Command1")->toolTip(), QStringLiteral("Création d'un sous dossier"));
    EXPECT_EQ(button("Command2")->text(), QStringLiteral("Annuler"));
    EXPECT_EQ(button("Command2")->toolTip(),
              QStringLiteral("Annule la création d'un sous dossier"));
    EXPECT_EQ(button("Command3")->text(), QStringLiteral("&Annuler"));
    EXPECT_EQ(button("Command3")->toolTip(), QStringLiteral("Fermer la fenêtre"));
    EXPECT_EQ(button("Command4")->text(), QStringLiteral("OK"));
    EXPECT_FALSE(button("Command4")->isEnabled());
    EXPECT_EQ(button("Command5")->text(), QStringLiteral("&Extraire"));
    EXPECT_EQ(button("Command5")->toolTip(),
              QStringLiteral("Choix du dossier de décompression et extraction du fichier Zip"));
    EXPECT_EQ(child<QLabel>(d, "Label1")->text(), QStringLiteral("Nom du dossier :"));
    EXPECT_EQ(child<QLabel>(d, "Label2")->text(), QStringLiteral("Dossier :"));
    EXPECT_FALSE(shown("Frame1"));
    EXPECT_TRUE(SharedAccelerators(&d).isEmpty())
        << SharedAccelerators(&d).join(u' ').toStdString();
}

TEST_F(DosZip2Test, OpensAtTheStoredFolderWhenItHoldsAFile) {
    const QString stored = folderWithFile(QStringLiteral("stored dir"));
    Shared().ExtractFolder = stored;
    EXPECT_EQ(tree()->CurrentFolder(), stored);
    EXPECT_EQ(label3(), stored);
    EXPECT_TRUE(shown("Command1"));
    EXPECT_TRUE(button("Command5")->isEnabled());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DosZip2Test, OpensAtTheProgramFolderWhenTheStoredOneHoldsNoFile) {
    for (const QString &stored :
         {folder(QStringLiteral("only/sub")).chopped(4), base + QStringLiteral("/missing")}) {
        Shared().ExtractFolder = stored;
        EXPECT_EQ(tree()->CurrentFolder(), app) << stored.toStdString();
        EXPECT_EQ(Shared().ExtractFolder, stored); // kept, no message
        EXPECT_TRUE(shown("Command1"));
        Forms::UnloadAll();
    }
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DosZip2Test, WithNoFolderStoredTheTreeKeepsItsDefault) {
    EXPECT_EQ(tree()->CurrentFolder(), QString());
    EXPECT_FALSE(shown("Command1"));
    EXPECT_FALSE(button("Command5")->isEnabled());
    EXPECT_EQ(label3(), QString());
    EXPECT_TRUE(tree()->SelectedFolder(app));
    EXPECT_TRUE(shown("Command1"));
    EXPECT_TRUE(button("Command5")->isEnabled());
    EXPECT_EQ(label3(), app);
}

TEST_F(DosZip2Test, AFolderTheTreeCannotShowIsTheLoadFailure) {
    Shared().AppFolder = base + QStringLiteral("/no program folder");
    Shared().ExtractFolder = base + QStringLiteral("/gone");
    EXPECT_EQ(tree()->CurrentFolder(), QString());
    ASSERT_EQ(messages(), QStringList{QStringLiteral("Erreur|Le dossier n'existe plus !")});
    EXPECT_EQ(prompts->messages()[0].icon, Prompts::Icon::Warning);
    EXPECT_EQ(Shared().ExtractFolder, base + QStringLiteral("/no program folder"));
}

TEST_F(DosZip2Test, ExtraireStoresTheFolderAndTheNextShowingOpensThere) {
    const QString chosen = folderWithFile(QStringLiteral("chosen"));
    QPointer<DosZip2> d = &dialog();
    showActive(*d);
    ASSERT_TRUE(tree()->SelectedFolder(chosen));
    press(*d, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(gone(d));
    EXPECT_EQ(Shared().ExtractFolder, chosen);
    EXPECT_EQ(Shared().ConfirmedExtractFolder, chosen);
    EXPECT_EQ(Shared().DialogCancelled, 0);

    Shared().ExtractFolder.clear(); // the confirmed folder is the second choice
    EXPECT_EQ(tree()->CurrentFolder(), chosen);
}

// Return presses "&Extraire" from the tree, where the focus starts; while the new-folder panel
// is open it presses "OK" instead (nothing while the name is empty), and the dialog stays.
TEST_F(DosZip2Test, ReturnExtractsFromTheTreeAndCreatesTheFolderFromTheNameField) {
    Shared().ExtractFolder = app;
    QPointer<DosZip2> d = &dialog();
    showActive(*d);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(tree()->view()));
    button("Command1")->click();
    auto *name = child<QLineEdit>(*d, "Text1");
    ASSERT_EQ(QApplication::focusWidget(), name);
    press(*d, Qt::Key_Return); // no name yet
    ASSERT_FALSE(gone(d));
    EXPECT_TRUE(shown("Frame1"));
    QTest::keyClicks(name, QStringLiteral("neuf"));
    press(*d, Qt::Key_Return);
    ASSERT_FALSE(gone(d));
    const QString created = app + QStringLiteral("/neuf");
    EXPECT_TRUE(QFileInfo(created).isDir());
    EXPECT_EQ(tree()->CurrentFolder(), created);
    EXPECT_FALSE(shown("Frame1"));
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(tree()->view()));
    EXPECT_EQ(Shared().ExtractFolder, app);

    press(*d, Qt::Key_Return);
    EXPECT_TRUE(gone(d));
    EXPECT_EQ(Shared().ExtractFolder, created);
    EXPECT_EQ(Shared().ConfirmedExtractFolder, created);
    EXPECT_EQ(Shared().DialogCancelled, 0);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DosZip2Test, EveryCancelSetsDialogCancelledAndKeepsTheFolder) {
    Shared().ExtractFolder = app;
    const std::vector<std::function<void(DosZip2 &)>> cancels = {
        [](DosZip2 &d) { press(d, Qt::Key_A, Qt::AltModifier); },
        [](DosZip2 &d) { press(d, Qt::Key_Escape); },
        [](DosZip2 &d) { d.close(); }, // the title bar
    };
    for (const auto &cancel : cancels) {
        Shared().DialogCancelled = 0;
        QPointer<DosZip2> d = &dialog();
        showActive(*d);
        cancel(*d);
        EXPECT_TRUE(gone(d));
        EXPECT_EQ(Shared().DialogCancelled, 1);
        EXPECT_EQ(Shared().ExtractFolder, app);
        EXPECT_EQ(Shared().ConfirmedExtractFolder, QString());
    }
}

TEST_F(DosZip2Test, NewFolderIsCreatedWithTheNameAsTypedAndSelected) {
    Shared().ExtractFolder = app;
    DosZip2 &d = dialog();
    showActive(d);
    button("Command1")->click();
    EXPECT_TRUE(shown("Frame1"));
    auto *name = child<QLineEdit>(d, "Text1");
    EXPECT_EQ(QApplication::focusWidget(), name);
    QTest::keyClicks(name, QStringLiteral(" x"));
    EXPECT_TRUE(button("Command4")->isEnabled());
    name->clear();
    EXPECT_FALSE(button("Command4")->isEnabled());
    name->setText(QStringLiteral(" Mes fichiers ; été "));
    button("Command4")->click();
    const QString created = app + QStringLiteral("/ Mes fichiers ; été ");
    EXPECT_TRUE(QFileInfo(created).isDir());
    EXPECT_EQ(tree()->CurrentFolder(), created);
    EXPECT_EQ(label3(), created);
    EXPECT_FALSE(shown("Frame1"));
    EXPECT_TRUE(messages().isEmpty());

    button("Command1")->click(); // the panel's Annuler hides it, the name stays
    button("Command2")->click();
    EXPECT_FALSE(shown("Frame1"));
    EXPECT_EQ(name->text(), QStringLiteral(" Mes fichiers ; été "));
}

TEST_F(DosZip2Test, AFolderThatCannotBeCreatedKeepsThePanelOpen) {
    Shared().ExtractFolder = app;
    folder(QStringLiteral("app/exists"));
    DosZip2 &d = dialog();
    showActive(d);
    auto *name = child<QLineEdit>(d, "Text1");
    for (const QString &typed :
         {QStringLiteral("exists"), QStringLiteral("no such/child"), QString(300, u'n')}) {
        button("Command1")->click();
        name->setText(typed);
        button("Command4")->click();
        EXPECT_TRUE(shown("Frame1")) << typed.toStdString();
        EXPECT_EQ(name->text(), typed);
        EXPECT_EQ(tree()->CurrentFolder(), app);
    }
    ASSERT_EQ(prompts->messages().size(), 3u);
    for (const auto &m : prompts->messages()) {
        EXPECT_EQ(m.title + u'|' + m.text,
                  QStringLiteral("Erreur|Erreur lors de la création du dossier !"));
        EXPECT_EQ(m.icon, Prompts::Icon::Critical);
    }
    EXPECT_FALSE(QFileInfo::exists(app + QStringLiteral("/no such")));
}

TEST_F(DosZip2Test, ActivationColoursTheTree) {
    Shared().FolderListBackColor = 0x00336699;
    DosZip2 &d = dialog();
    EXPECT_NE(tree()->BackColor(), 0x00336699u);
    showActive(d);
    EXPECT_EQ(tree()->BackColor(), 0x00336699u);
}

} // namespace
