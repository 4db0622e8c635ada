// The self-extracting program's window: proposes a folder, extracts the payloads there and
// unpacks the archive, then the program ends. Its message boxes go through the prompts.
#pragma once

#include "RichsoftVBZip.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class Form1 : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kTitle = "Mivo-AutoExtract";

    // `ownFile`: the self-extracting program's file (the program itself, or a test's file).
    // `endProgram` ends the program at once with an exit status: 0 after a successful
    // extraction or "Annuler", 1 after a failure (tests record it).
    Form1(QString ownFile, std::function<void(int status)> endProgram);

    // Reads the header and proposes the folder; false after the invalid-file message, the
    // program then ended.
    bool Form_Load();

    zipcomponent::RichsoftVBZip VBZip;

public slots:
    void Command1_Click();  // Extraire
    void Command2_Click();  // Annuler
    void reject() override; // Escape: as Annuler

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void DecompressionZIP();
    void VBZip_OnArchiveUpdate();
    std::optional<std::string> VBZip_PasswordQuestion(const std::string &entry,
                                                      const std::string &refused);
    void failed(bool noData, std::int64_t number, const QString &description);
    void end(int status);

    QString ownFile_;
    std::function<void(int)> endProgram_;
    bool ended_ = false;
    QString proposedFolder_;
    QString archiveFileToExtract_, unpackFolder_;

    QLabel *Label1 = nullptr, *Status = nullptr, *Image1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
    QProgressBar *PG = nullptr;
    QListWidget *List1 = nullptr, *Coll = nullptr;
    QTreeWidget *lvwArchive = nullptr;
};
