#include "Module1.h"

#include <QDir>
#include <QFileInfo>

namespace Module1 {

SharedState &Shared() {
    static SharedState state;
    return state;
}

QString WithTrailingBackslash(const QString &path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool FileExists(const QString &path) {
    if (path.isEmpty()) return false;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder =
        slash < 0 ? QStringLiteral(".") : (slash == 0 ? QStringLiteral("/") : path.left(slash));
    QString pattern = path.mid(slash + 1);
    if (pattern.isEmpty()) pattern = QStringLiteral("*");
    const QDir dir(folder);
    if (!dir.exists()) return false;
    // QDir::Files without QDir::Hidden: regular files (or links to them) not starting with '.'.
    return !dir.entryList({pattern}, QDir::Files | QDir::CaseSensitive | QDir::NoDotAndDotDot)
                .isEmpty();
}

bool IsFile(const QString &path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString TempFolder() {
    return WithTrailingBackslash(QDir::tempPath());
}

QString StatusNumberText(std::int64_t value) {
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

} // namespace Module1
