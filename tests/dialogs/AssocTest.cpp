// The no-association dialog: its texts for the current entry, the chooser on the extracted
// copy in the opened copies' folder, and the ways of closing it.
#include "Assoc.h"
#include "DialogTestUtil.h"
#include "Forms.h"
#include "Module1.h"
#include "OpenWith.h"
#include "RecordingLauncher.h"
#include "ScriptedPrompts.h"
#include "ZipTestUtil.h"

#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kEntry = QStringLiteral("mon dossier/rapport final.xyz");

class AssocTest : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        base = QString::fromStdString(root.string());
        savedCache = qgetenv("XDG_CACHE_HOME");
        hadCache = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", base.toUtf8()); // the cache folder is this test's folder
        Module1::Shared() = Module1::SharedState{};
        Module1::Shared().CurrentEntry = kEntry;
        desktop = &InstallRecordingLauncher();
        prompts = &InstallScriptedPrompts();
    }
    void TearDown() override {
        Forms::UnloadAll();
        setLauncher(nullptr);
        hadCache ? qputenv("XDG_CACHE_HOME", savedCache) : qunsetenv("XDG_CACHE_HOME");
        TempDirTest::TearDown();
    }
    template <typename T> T *child(const char *name) {
        T *found = Forms::Assoc().findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static bool gone(QPointer<Assoc> &dialog) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog.isNull();
    }

    QString base;
    QByteArray savedCache;
    bool hadCache = false;
    RecordingLauncher *desktop = nullptr;
    ScriptedPrompts *prompts = nullptr;
};

TEST_F(AssocTest, LoadsTheTextsOfTheCurrentEntry) {
    Assoc &a = Forms::Assoc();
    EXPECT_EQ(a.windowTitle(), QStringLiteral("Absence d'association de fichier"));
    EXPECT_EQ(child<QGroupBox>("Frame1")->title(), QStringLiteral(" Association "));
    EXPECT_EQ(child<QPushButton>("Command2")->text(), QStringLiteral("&Créer une association..."));
    EXPECT_EQ(child<QPushButton>("Command1")->text(), QStringLiteral("&Annuler"));
    EXPECT_EQ(child<QLabel>("Label1")->text(),
              QStringLiteral("Aucune association n'est définie pour le fichier\n"
                             "mon dossier/rapport final.xyz\nsélectionné !"));
    EXPECT_EQ(child<QPushButton>("Command2")->toolTip(),
              QStringLiteral("Créer une association pour le fichier :mon dossier/rapport "
                             "final.xyz"));
    EXPECT_EQ(SharedAccelerators(&a), QStringList());
}

TEST_F(AssocTest, CreateOpensTheChooserOnTheExtractedCopyThenCloses) {
    QPointer<Assoc> dialog = &Forms::Assoc();
    dialog->show();
    QString chosenFor;
    QStringList offered;
    OnNextModal([&](QWidget *modal) {
        auto *chooser = qobject_cast<OpenWith *>(modal);
        ASSERT_NE(chooser, nullptr);
        chosenFor = chooser->file();
        offered << chooser->windowTitle();
    });
    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    // The real path, folders of the entry included, as one argument: no quotes added.
    EXPECT_EQ(chosenFor, base + "/Mivo-ZIP/ouverts/mon dossier/rapport final.xyz");
    EXPECT_EQ(offered, QStringList({"Ouvrir avec"}));
    EXPECT_TRUE(gone(dialog));
    EXPECT_TRUE(desktop->started.empty()); // the chooser was cancelled
}

TEST_F(AssocTest, AnnulerAndTheTitleBarCloseWithoutDoingAnything) {
    QPointer<Assoc> dialog = &Forms::Assoc();
    dialog->show();
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_TRUE(gone(dialog));

    dialog = &Forms::Assoc();
    dialog->show();
    dialog->close();
    EXPECT_TRUE(gone(dialog));
    EXPECT_TRUE(desktop->started.empty());
    EXPECT_TRUE(desktop->defaults.empty());
    EXPECT_TRUE(prompts->asked.empty());
}

TEST_F(AssocTest, ShownModallyItReturnsWhenClosedAndIsDestroyed) {
    QPointer<Assoc> dialog = &Forms::Assoc();
    OnNextModal([](QWidget *modal) {
        ASSERT_NE(qobject_cast<Assoc *>(modal), nullptr);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    dialog->exec();
    EXPECT_TRUE(gone(dialog));
    EXPECT_TRUE(desktop->started.empty());
}

} // namespace
