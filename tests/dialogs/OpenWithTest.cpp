// The "open with" chooser on the tests' desktop (RecordingLauncher.h): the type's applications, a
// program picked by hand, the default, the cancel paths; what it starts is recorded by the
// launcher, never run.
#include "OpenWith.h"
#include "DialogTestUtil.h"
#include "RecordingLauncher.h"
#include "ScriptedPrompts.h"
#include "ZipTestUtil.h"

#include <QCheckBox>
#include <QColor>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class OpenWithTest : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        base = QString::fromStdString(root.string());
        file = base + "/dossier a/notes \"1\"; 'été'.txt";
        ziptest::WriteFile(file.toStdString(), "texte\n");
        desktop = &InstallRecordingLauncher();
        prompts = &InstallScriptedPrompts();
    }
    void TearDown() override {
        setLauncher(nullptr);
        TempDirTest::TearDown();
    }

    template <typename T> T *child(OpenWith &d, const char *name) {
        T *found = d.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QStringList rows(OpenWith &d) {
        QStringList out;
        auto *list = child<QListWidget>(d, "List1");
        for (int r = 0; r < list->count(); ++r)
            out << list->item(r)->text();
        return out;
    }
    void choose(OpenWith &d, const QString &text) {
        auto *list = child<QListWidget>(d, "List1");
        const auto found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        list->setCurrentItem(found.front());
    }
    void open(OpenWith &d) { QTest::mouseClick(child<QPushButton>(d, "Command1"), Qt::LeftButton); }
    QString program() {
        const QString p = base + "/mon programme";
        ziptest::WriteFile(p.toStdString(), "#!/bin/sh\n");
        QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return p;
    }

    QString base, file;
    RecordingLauncher *desktop = nullptr;
    ScriptedPrompts *prompts = nullptr;
};

TEST_F(OpenWithTest, OffersTheApplicationsOfTheTypeThenAnotherProgram) {
    OpenWith d(file);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Ouvrir avec"));
    EXPECT_EQ(d.mimeType(), QStringLiteral("text/plain"));
    EXPECT_EQ(rows(d), QStringList({"Bloc-notes", "Visionneuse", "Autre programme..."}));
    // Visionneuse's icon is an image file, painted green.
    EXPECT_EQ(child<QListWidget>(d, "List1")->item(1)->icon().pixmap(16).toImage().pixelColor(8, 8),
              QColor(Qt::darkGreen));
    // The type's current default is the one proposed.
    EXPECT_EQ(child<QListWidget>(d, "List1")->currentItem()->text(), QStringLiteral("Visionneuse"));
    EXPECT_EQ(child<QLabel>(d, "Label1")->text(),
              QStringLiteral("Choisissez l'application qui ouvrira le fichier\nnotes \"1\"; "
                             "'été'.txt"));
    EXPECT_EQ(child<QCheckBox>(d, "Check1")->text(),
              QStringLiteral("Toujours utiliser cette application pour ce type de fichier"));
    EXPECT_EQ(child<QPushButton>(d, "Command1")->text(), QStringLiteral("&Ouvrir"));
    EXPECT_EQ(child<QPushButton>(d, "Command2")->text(), QStringLiteral("&Annuler"));
    EXPECT_EQ(SharedAccelerators(&d), QStringList());
}

TEST_F(OpenWithTest, AnApplicationOpensTheFileAsOneArgument) {
    OpenWith d(file);
    choose(d, QStringLiteral("Bloc-notes"));
    open(d);
    ASSERT_EQ(desktop->started.size(), 1u);
    EXPECT_EQ(desktop->started[0], QStringList({"zed.desktop", file}));
    EXPECT_TRUE(desktop->defaults.empty());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(prompts->asked.empty());
}

TEST_F(OpenWithTest, TickedTheApplicationBecomesTheTypesDefault) {
    OpenWith d(file);
    choose(d, QStringLiteral("Visionneuse"));
    child<QCheckBox>(d, "Check1")->setChecked(true);
    open(d);
    EXPECT_EQ(desktop->started.at(0), QStringList({"viewer.desktop", file}));
    EXPECT_EQ(desktop->defaults, std::vector<QStringList>({{"viewer.desktop", "text/plain"}}));
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(OpenWithTest, ARefusedDefaultIsSaidButTheFileIsOpened) {
    desktop->setDefaultFails = true;
    OpenWith d(file);
    choose(d, QStringLiteral("Visionneuse"));
    child<QCheckBox>(d, "Check1")->setChecked(true);
    open(d);
    EXPECT_EQ(desktop->started.size(), 1u);
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].text,
              QStringLiteral("« Visionneuse » n'a pas pu devenir l'application par défaut des "
                             "fichiers de type text/plain."));
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(OpenWithTest, FailuresAreSaidAndTheChooserStaysOpen) {
    desktop->startsFail = true;
    OpenWith d(file);
    choose(d, QStringLiteral("Bloc-notes"));
    open(d);
    prompts->executableAnswers = {file}; // a file that is no program
    choose(d, QStringLiteral("Autre programme..."));
    open(d);
    ASSERT_EQ(prompts->messages().size(), 2u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("Erreur"));
    EXPECT_EQ(prompts->messages()[0].text, QStringLiteral("Impossible de lancer « Bloc-notes »."));
    EXPECT_EQ(prompts->messages()[1].text,
              QStringLiteral("« %1 » n'est pas un programme.").arg(file));
    EXPECT_EQ(desktop->started.size(), 1u); // the attempt with Bloc-notes only
    EXPECT_NE(d.result(), QDialog::Accepted);
}

TEST_F(OpenWithTest, AnotherProgramIsStartedWithTheFileAsItsOneArgument) {
    const QString chosen = program();
    prompts->executableAnswers = {chosen};
    OpenWith d(file);
    choose(d, QStringLiteral("Autre programme..."));
    EXPECT_FALSE(child<QCheckBox>(d, "Check1")->isEnabled());
    open(d);
    ASSERT_EQ(prompts->asked.size(), 1u);
    EXPECT_EQ(prompts->asked[0].kind, QStringLiteral("executable"));
    EXPECT_EQ(prompts->asked[0].title, QStringLiteral("Choisir un programme"));
    ASSERT_EQ(desktop->started.size(), 1u);
    EXPECT_EQ(desktop->started[0], QStringList({chosen, file}));
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

// Return in the list, where the focus starts, presses "&Ouvrir" once: one program question,
// one failure message; Escape then closes.
TEST_F(OpenWithTest, ReturnInTheListOpensOnceAndEscapeCloses) {
    OpenWith d(file);
    d.show();
    QApplication::setActiveWindow(&d);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    auto *list = child<QListWidget>(d, "List1");
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(list));
    choose(d, QStringLiteral("Autre programme..."));
    QTest::keyClick(list, Qt::Key_Return); // the question cancelled: back to the list
    choose(d, QStringLiteral("Bloc-notes"));
    desktop->startsFail = true;
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(prompts->asked.size(), 2u);
    EXPECT_EQ(prompts->asked.at(0).kind, QStringLiteral("executable"));
    EXPECT_EQ(prompts->asked.at(1).text, QStringLiteral("Impossible de lancer « Bloc-notes »."));
    EXPECT_TRUE(d.isVisible());
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST_F(OpenWithTest, CancellingStartsNothing) {
    {
        OpenWith d(file); // the program choice cancelled: back to the list
        choose(d, QStringLiteral("Autre programme..."));
        open(d);
        EXPECT_NE(d.result(), QDialog::Accepted);
    }
    {
        OpenWith d(file);
        choose(d, QStringLiteral("Bloc-notes"));
        child<QCheckBox>(d, "Check1")->setChecked(true);
        QTest::mouseClick(child<QPushButton>(d, "Command2"), Qt::LeftButton);
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    EXPECT_TRUE(desktop->started.empty());
    EXPECT_TRUE(desktop->defaults.empty());
    EXPECT_TRUE(prompts->messages().empty());
}

// The real question behind "Autre programme...": Qt's file dialog, listing folders and the
// files that can be run, for an existing file.
TEST_F(OpenWithTest, TheRealProgramQuestionListsFoldersAndProgramsAndReturnsTheChosenFile) {
    const QString chosen = program();
    ziptest::WriteFile((base + "/lisez-moi.txt").toStdString(), "pas un programme\n");
    QStringList listed;
    // Whatever happens in it, the question is left, so that the test never stays in its loop.
    const auto answer = [&](QFileDialog *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Choisir un programme"));
        dialog->setDirectory(base);
        auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
        if (!view) return ADD_FAILURE() << "no list of files";
        const auto names = [view] {
            QStringList out;
            for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
                out << view->model()->index(r, 0, view->rootIndex()).data().toString();
            out.sort();
            return out;
        };
        QDeadlineTimer deadline(5000);
        while (names().size() < 2 && !deadline.hasExpired())
            QTest::qWait(10);
        QTest::qWait(100); // anything listed late would show by now
        listed = names();
        // Typed, as the name field has the focus.
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(QStringLiteral("mon programme"));
    };
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) return ADD_FAILURE() << "no file dialog";
        answer(dialog);
        QMetaObject::invokeMethod(dialog, "accept");
        if (dialog->isVisible()) QMetaObject::invokeMethod(dialog, "reject");
    });
    setPrompts(nullptr); // Qt's dialogs
    EXPECT_EQ(::prompts().executableFileName(nullptr, QStringLiteral("Choisir un programme")),
              chosen);
    EXPECT_EQ(listed, (QStringList{"dossier a", "mon programme"}));
}

} // namespace
