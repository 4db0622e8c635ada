// Helpers shared by the dialog tests: readable texts in failures, accelerator letters, and the
// modal dialog a click opens.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <ostream>

// Failures print texts as texts.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList &texts, std::ostream *os) {
    *os << '[' << texts.join(QStringLiteral(", ")).toStdString() << ']';
}

// The accelerator letter of a caption ("&Ouvrir" → 'o'), or a null character.
inline QChar AcceleratorLetter(const QString &text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] != u'&') return text[i + 1].toLower();
        ++i; // "&&" is a plain ampersand
    }
    return {};
}

// The buttons and boxes of `window` that share their letter with another, by object name.
inline QStringList SharedAccelerators(QWidget *window) {
    std::map<QChar, QStringList> byLetter;
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
        const QChar letter = AcceleratorLetter(b->text());
        if (!letter.isNull()) byLetter[letter] << b->objectName();
    }
    QStringList out;
    for (const auto &[letter, names] : byLetter)
        if (names.size() > 1) out << names;
    return out;
}

// Runs `whileOpen` on the next modal dialog that opens (from inside its event loop) and then
// closes it with reject(), so that the test never stays in a loop it cannot leave.
inline void OnNextModal(std::function<void(QWidget *)> whileOpen) {
    QTimer::singleShot(0, [whileOpen] {
        QWidget *modal = QApplication::activeModalWidget();
        whileOpen(modal);
        if (modal) QMetaObject::invokeMethod(modal, "reject");
    });
}
