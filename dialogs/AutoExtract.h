// The builder of self-extracting programs: turns the open archive into a program that unpacks
// it. It wires its controls to the build steps (sfx_builder), which run on a worker thread
// (AutoExtractBuild), and shows what they report. During a build "&Annuler", Escape and the
// close box stop it; the dialog then stays open, idle.
#pragma once

#include <QDialog>

namespace sfx {
struct BuildResult;
}

class AutoExtractBuild;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

class AutoExtract : public QDialog {
    Q_OBJECT
public:
    explicit AutoExtract(QWidget *parent = nullptr);

public slots:
    void Command1_Click(); // &Annuler
    void Command2_Click(); // Appliquer... (build), then &Quitter
    // Closes the dialog, or stops the build that runs.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    // Once per opening (Qt activates the dialog again after each message box): the default
    // output, the archive to pack and its stored name.
    void Form_Activate();
    void build();
    void buildEnded(const sfx::BuildResult &result);
    // While a build runs, the output name and "Appliquer..." wait.
    void setBuilding(bool building);

    bool activated_ = false;
    bool built_ = false;
    AutoExtractBuild *build_ = nullptr;

    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr, *status = nullptr;
    QLineEdit *Text3 = nullptr;
    QListWidget *List1 = nullptr, *Coll = nullptr;
    QProgressBar *PG = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
};
