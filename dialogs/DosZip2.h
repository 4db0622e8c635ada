// The extraction dialog: the user picks the folder the main window extracts into, and may
// create a sub-folder there. It hands back through the shared state only: "&Extraire" leaves
// the folder in ExtractFolder and ConfirmedExtractFolder; "&Annuler", Escape and the title bar
// set DialogCancelled to 1. Every way of closing it destroys it (the registry's instance).
// The extract command sets DialogCancelled = 0 and runs Forms::DosZip2().exec().
// Controls keep their names as object names.
#pragma once

#include <QDialog>

class ExplorerTree;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class DosZip2 : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kTitle = "Choix du dossier de décompression";

    explicit DosZip2(QWidget *parent = nullptr);

    // Loading code, run by the registry: the start folder.
    void Form_Load();
    // The folder tree's background from the shared state (activation, and the colour menu).
    void applyColours();

public slots:
    void Command1_Click();  // Nouveau dossier...
    void Command2_Click();  // Annuler (the panel)
    void Command3_Click();  // &Annuler
    void Command4_Click();  // OK (the panel)
    void Command5_Click();  // &Extraire
    void reject() override; // every cancel: DialogCancelled = 1

protected:
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void Tree1_OnDirChanged();
    void showPanel(bool shown);
    bool selectStartFolder();
    bool createSubFolder();

    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr;
    ExplorerTree *Tree1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
};
