// The add-files dialog: the user picks files of one folder (the tree, a filtered file list) and
// the three options, and "&Ajouter" writes them into the open archive in one rewrite, then
// updates the main window through the archive's owner. It owns the program's archive writer,
// which the removal command borrows through the registry. "&Annuler", Escape and the title bar
// set DialogCancelled to 1. Every way of closing it destroys it (the registry's instance).
// The add command sets Forms::VFzip1().ZipFileName and DialogCancelled = 0, then runs exec();
// DialogCancelled still 0 afterwards means an add was attempted, whatever its outcome.
// Controls keep their names as object names.
#pragma once

#include "FilePattern.h"
#include "VFzip.h"

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

    zipcomponent::VFzip VFzip1;

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
    struct AddOutcome {
        bool declined = false;  // the password question was cancelled: nothing written
        bool committed = false; // the archive was rewritten (or had nothing to change)
        QStringList problems;   // what went wrong, for the user, each reason once
    };
    AddOutcome addFiles(const QStringList &paths);

    enum class Password { NotAsked, Given, Cancelled, Empty };

    FilePattern pattern_;
    QStringList *problems_ = nullptr;        // during addFiles: where the writer's skip notes go
    Password password_ = Password::NotAsked; // the answer to this add's password question

    QGroupBox *Frame2 = nullptr, *Frame3 = nullptr, *fram1 = nullptr, *Frame1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QCheckBox *Check1 = nullptr, *Check2 = nullptr, *Check3 = nullptr;
    ExplorerTree *Tree1 = nullptr;
    QListWidget *List1 = nullptr, *File1 = nullptr;
    QPushButton *Command1 = nullptr, *Command3 = nullptr, *Command4 = nullptr;
};
