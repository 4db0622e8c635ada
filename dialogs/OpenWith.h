// The "open with" chooser: the desktop's applications for a file's type, or a program picked by
// hand, to open the file with; optionally the chosen application becomes the type's default.
// Everything it starts goes through the desktop launcher, every question through the prompts.
#pragma once

#include "DesktopLauncher.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

class OpenWith : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kOtherProgram = "Autre programme...";

    // `path`: the file to open, a real path passed as one argument to what is started.
    explicit OpenWith(const QString &path, QWidget *parent = nullptr);

    QString file() const { return file_; }
    QString mimeType() const { return mimeType_; }

public slots:
    // "&Ouvrir": opens the file with the selected entry; the dialog closes once it is started,
    // and stays open after a failure (said in a message) or a cancelled program choice.
    void Command1_Click();

private:
    void List1_CurrentChanged();
    void openWithOtherProgram();
    void failed(const QString &text);

    QString file_;
    QString mimeType_;
    std::vector<DesktopApplication> applications_;

    QLabel *Label1 = nullptr;
    QListWidget *List1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
};
