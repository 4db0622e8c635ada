#include "FilePattern.h"

#include <QDir>

namespace {

// An unclosed '[' has no ']' after it ("[]..." counts its first ']' as a member, as globs do).
bool bracketsClosed(const QString &wildcard) {
    for (qsizetype i = 0; i < wildcard.size(); ++i) {
        if (wildcard[i] != u'[') continue;
        qsizetype j = i + 1;
        if (j < wildcard.size() && wildcard[j] == u'!') ++j;
        if (j < wildcard.size() && wildcard[j] == u']') ++j;
        const qsizetype close = wildcard.indexOf(u']', j);
        if (close < 0) return false;
        i = close;
    }
    return true;
}

QRegularExpression toRegex(const QString &wildcard) {
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(wildcard),
                              QRegularExpression::CaseInsensitiveOption);
}

} // namespace

FilePattern::FilePattern() : FilePattern(QStringLiteral("*.*")) {}

FilePattern::FilePattern(const QString &text) {
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        const QString wildcard = part.trimmed();
        if (wildcard.isEmpty()) continue;
        if (wildcard.contains(u'/') || !bracketsClosed(wildcard)) {
            *this = FilePattern();
            valid_ = false;
            return;
        }
        wildcards_.push_back(toRegex(wildcard));
        // "name.*" also takes "name": the dot and what follows are optional on Windows.
        if (wildcard.endsWith(QLatin1String(".*")))
            wildcards_.push_back(toRegex(wildcard.chopped(2)));
    }
    if (wildcards_.empty()) wildcards_.push_back(toRegex(QStringLiteral("*")));
}

bool FilePattern::matches(const QString &name) const {
    for (const QRegularExpression &re : wildcards_)
        if (re.match(name).hasMatch()) return true;
    return false;
}

QStringList MatchingFiles(const QString &folder, const FilePattern &pattern) {
    if (folder.isEmpty()) return {};
    // QDir::Files without QDir::Hidden: regular files and links to them, no dot-names.
    const QStringList all =
        QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    QStringList out;
    for (const QString &name : all)
        if (pattern.matches(name)) out << name;
    return out;
}
