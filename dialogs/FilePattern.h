// The file-name filter of the add dialog, with the rules of a Windows file list: the text is a
// ";"-separated list of wildcards ("*", "?", "[abc]", "[!abc]"), each matched against the whole
// name, letters in any case. A wildcard ending in ".*" also matches a name without a dot, so
// "*.*" and "*" match every name. Blanks around each wildcard are dropped; an empty list
// matches every name.
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

class FilePattern {
public:
    // "*.*": what a rejected text falls back to.
    FilePattern();
    explicit FilePattern(const QString &text);

    // False for a text the list refuses: a wildcard holding '/' or an unclosed '['.
    bool valid() const { return valid_; }
    bool matches(const QString &name) const;

private:
    std::vector<QRegularExpression> wildcards_;
    bool valid_ = true;
};

// The names of the regular, visible files of `folder` (links to regular files count) that
// `pattern` matches, sorted by name regardless of case. A folder that cannot be read lists
// nothing.
QStringList MatchingFiles(const QString &folder, const FilePattern &pattern);
