// Every question the windows ask the user goes through this interface: the Qt implementation
// shows the dialog; tests install one that answers from a script. No window opens a QMessageBox,
// QFileDialog or QColorDialog itself.
#pragma once

#include <QColor>
#include <QString>

#include <memory>
#include <optional>

class QWidget;

class Prompts {
public:
    enum class Icon { Information, Warning, Critical, Question };

    virtual ~Prompts() = default;

    // A file to open or to create; an empty text when the user cancels. `filter` is in Qt's
    // form, for example "Fichiers zip (*.zip)". The save dialog appends `defaultSuffix` (without
    // its dot) to a name typed without an extension, then asks before an existing file of that
    // final name may be chosen.
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &filter,
                                 const QString &defaultSuffix) = 0;
    // An executable file (a program to open a document with); an empty text when cancelled.
    virtual QString executableFileName(QWidget *parent, const QString &title) = 0;
    // A colour, preset to `initial`; nullopt when cancelled.
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) = 0;
    // A modal message with one OK button.
    virtual void message(QWidget *parent, Icon icon, const QString &title, const QString &text) = 0;
    // A Yes/No question, No being the default; true for Yes.
    virtual bool question(QWidget *parent, const QString &title, const QString &text) = 0;
    // A password; with `confirm` it is typed twice and must match. nullopt when cancelled.
    virtual std::optional<QString> password(QWidget *parent, const QString &title,
                                            const QString &label, bool confirm) = 0;

    // The password of files about to be encrypted, typed twice (never empty), and the method.
    enum class Encryption { Aes256, Traditional };
    struct EncryptionChoice {
        QString password;
        Encryption method = Encryption::Aes256;
    };
    // nullopt when cancelled. By default the password question with AES-256.
    virtual std::optional<EncryptionChoice> encryption(QWidget *parent);
};

// A text with CR line breaks, as the windows write them, with real line breaks ("\n").
QString WithLineBreaks(const QString &text);

// Loads Qt's own French texts ("Regarder dans :", "Annuler") for its file, colour and input
// dialogs; false when the translation is not installed. Called by each program's main().
bool InstallQtFrenchTranslation();

// The prompts in use: Qt's dialogs unless another implementation was installed.
Prompts &prompts();
void setPrompts(std::unique_ptr<Prompts> replacement);
