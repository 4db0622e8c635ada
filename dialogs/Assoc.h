// The no-association dialog: says that no application opens the entry just extracted into the
// opened copies' folder, and offers the "open with" chooser for that file. Controls keep their
// names as object names (Frame1, Label1, Command1, Command2); nothing is handed back.
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

class Assoc : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kTitle = "Absence d'association de fichier";

    explicit Assoc(QWidget *parent = nullptr);

    // Loading code: the texts naming the shared state's current entry. Run by the registry.
    void Form_Load();

public slots:
    void Command1_Click(); // "&Annuler"
    void Command2_Click(); // "&Créer une association..."

private:
    QGroupBox *Frame1 = nullptr;
    QPushButton *Command2 = nullptr, *Command1 = nullptr;
    QLabel *Label1 = nullptr;
};
