#include "ScriptedPrompts.h"

namespace {
template <typename T> T take(std::deque<T> &answers, T none) {
    if (answers.empty()) return none;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}
} // namespace

QString ScriptedPrompts::openFileName(QWidget *, const QString &title, const QString &filter) {
    asked.push_back({QStringLiteral("open"), title, filter});
    return take(openAnswers, QString());
}

QString ScriptedPrompts::saveFileName(QWidget *, const QString &title, const QString &filter,
                                      const QString &defaultSuffix) {
    asked.push_back({QStringLiteral("save"), title, filter});
    saveSuffixes.push_back(defaultSuffix);
    return take(saveAnswers, QString());
}

QString ScriptedPrompts::executableFileName(QWidget *, const QString &title) {
    asked.push_back({QStringLiteral("executable"), title, QString()});
    return take(executableAnswers, QString());
}

std::optional<QColor> ScriptedPrompts::chooseColor(QWidget *, const QColor &initial) {
    asked.push_back({QStringLiteral("colour"), QString(), initial.name()});
    colourPresets.push_back(initial);
    return take(colourAnswers, std::optional<QColor>());
}

void ScriptedPrompts::message(QWidget *, Icon icon, const QString &title, const QString &text) {
    asked.push_back({QStringLiteral("message"), title, text, icon});
}

bool ScriptedPrompts::question(QWidget *, const QString &title, const QString &text) {
    asked.push_back({QStringLiteral("question"), title, text, Icon::Question});
    return take(questionAnswers, false);
}

std::optional<QString> ScriptedPrompts::password(QWidget *, const QString &title,
                                                 const QString &label, bool) {
    asked.push_back({QStringLiteral("password"), title, label});
    return take(passwordAnswers, std::optional<QString>());
}

std::optional<Prompts::EncryptionChoice> ScriptedPrompts::encryption(QWidget *) {
    asked.push_back({QStringLiteral("encryption"), QString(), QString()});
    return take(encryptionAnswers, std::optional<EncryptionChoice>());
}

std::vector<ScriptedPrompts::Asked> ScriptedPrompts::messages() const {
    std::vector<Asked> out;
    for (const Asked &a : asked)
        if (a.kind == QStringLiteral("message")) out.push_back(a);
    return out;
}

ScriptedPrompts &InstallScriptedPrompts() {
    auto owned = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts &ref = *owned;
    setPrompts(std::move(owned));
    return ref;
}
