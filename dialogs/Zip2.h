// The add-files dialog: the user picks files of one folder (the tree, a filtered file list) and
// the three options, and "&Ajouter" adds them to the shared state's current archive through the
// add operation (one rewrite), then says archiveWritten(), which the window that made it
// connects. "&Annuler", Escape and the title bar set DialogCancelled to 1. Every way of closing
// it destroys it (the registry's instance). The add command sets DialogCancelled = 0, then runs
// exec(); DialogCancelled still 0 afterwards means an add was attempted, whatever its outcome.
// Controls keep their names as object names.
#pragma once

#include "AddOperation.h"
#include "FilePattern.h"

#include <QDialog>
#include <QStringList>

class ExplorerTree;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class Zip2 : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kTitle = "Ajouter des fichiers à la liste";

    explicit Zip2(QWidget *parent = nullptr);

    // Loading code, run by the registry: the options and the start folder.
    void Form_Load();
    // The tree, file list, filter field and message list colours from the shared state
    // (activation, and the colour menu).
    void applyColours();

    // Adds these files to the current archive with the options the boxes show, in one rewrite
    // that can be stopped; the writer's messages go to the message list.
    AddOperation::Result addFiles(const QStringList &paths);

signals:
    void archiveWritten(); // an add rewrote the current archive

public slots:
    void Command1_Click();  // &Ajouter
    void Command3_Click();  // &Tout sélectionner
    void Command4_Click();  // &Annuler
    void reject() override; // every cancel: DialogCancelled = 1

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void Form_Activate();
    void showOptions();
    bool selectStartFolder();
    void Tree1_OnDirChanged();
    void Text1_Change();
    void fillFileList();
    void File1_SelectionChanged();
    AddOperation::Result add(const QStringList &paths, short noSubFolders, short noPathNames,
                             short encrypt);

    FilePattern pattern_;

    QGroupBox *Frame2 = nullptr, *Frame3 = nullptr, *fram1 = nullptr, *Frame1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QCheckBox *Check1 = nullptr, *Check2 = nullptr, *Check3 = nullptr;
    ExplorerTree *Tree1 = nullptr;
    QListWidget *List1 = nullptr, *File1 = nullptr;
    QPushButton *Command1 = nullptr, *Command3 = nullptr, *Command4 = nullptr;
};
