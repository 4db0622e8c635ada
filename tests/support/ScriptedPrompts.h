// Prompts answered from a script, for driving windows in tests. Each question takes the next
// answer of its kind; with none left it answers as a cancel would (empty text, nullopt, No).
// Everything asked is recorded.
#pragma once

#include "Prompts.h"

#include <deque>
#include <vector>

class ScriptedPrompts : public Prompts {
public:
    struct Asked {
        QString kind; // "open", "save", "executable", "colour", "message", "question", "password",
                      // "encryption"
        QString title;
        QString text;
        Icon icon = Icon::Information;
    };

    std::deque<QString> openAnswers, saveAnswers, executableAnswers;
    std::deque<std::optional<QColor>> colourAnswers;
    std::deque<bool> questionAnswers;
    std::deque<std::optional<QString>> passwordAnswers;
    std::deque<std::optional<EncryptionChoice>> encryptionAnswers;
    std::vector<Asked> asked;
    std::vector<QColor> colourPresets;
    std::vector<QString> saveSuffixes; // the default suffix of each save question

    QString openFileName(QWidget *, const QString &title, const QString &filter) override;
    QString saveFileName(QWidget *, const QString &title, const QString &filter,
                         const QString &defaultSuffix) override;
    QString executableFileName(QWidget *, const QString &title) override;
    std::optional<QColor> chooseColor(QWidget *, const QColor &initial) override;
    void message(QWidget *, Icon icon, const QString &title, const QString &text) override;
    bool question(QWidget *, const QString &title, const QString &text) override;
    std::optional<QString> password(QWidget *, const QString &title, const QString &label,
                                    bool confirm) override;
    std::optional<EncryptionChoice> encryption(QWidget *) override;

    // The messages shown, in order.
    std::vector<Asked> messages() const;
};

// Installs a fresh scripted instance as the program's prompts and returns it.
ScriptedPrompts &InstallScriptedPrompts();
