// The builder of self-extracting programs: turns the open archive into a program that unpacks
// it. It wires its controls to the build steps (sfx_builder) and shows what they report.
#pragma once

#include <QDialog>

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

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    // Once per opening (Qt activates the dialog again after each message box): the default
    // output, the archive to pack and its stored name.
    void Form_Activate();
    void build();

    bool activated_ = false;
    bool built_ = false;

    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr, *status = nullptr;
    QLineEdit *Text3 = nullptr;
    QListWidget *List1 = nullptr, *Coll = nullptr;
    QProgressBar *PG = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
};
