#include "DesktopEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>

namespace DesktopEntries {

namespace {

// The string escapes of the desktop-entry format: \s \n \t \r \\.
QString unescaped(const QString &value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        default:
            out += next; // "\\" and any escape the format does not define
        }
    }
    return out;
}

QStringList folderList(const char *variable, const QString &fallback) {
    const QString value = qEnvironmentVariable(variable);
    const QStringList parts = (value.isEmpty() ? fallback : value).split(u':', Qt::SkipEmptyParts);
    QStringList out;
    for (const QString &p : parts)
        if (QDir::isAbsolutePath(p)) out << QDir::cleanPath(p); // relative entries are invalid
    return out;
}

} // namespace

QStringList ApplicationFolders() {
    QStringList out;
    for (const QString &base :
         folderList("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share")) +
             folderList("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")))
        out << base + QStringLiteral("/applications");
    return out;
}

std::optional<DesktopApplication> Parse(const QString &file, const QString &id) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
    DesktopApplication app;
    app.id = id;
    app.file = file;
    QString type, name, frenchName;
    bool inEntry = false, hidden = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inEntry || eq < 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Name"))
            name = unescaped(value);
        else if (key == QLatin1String("Name[fr]"))
            frenchName = unescaped(value);
        else if (key == QLatin1String("Exec"))
            app.exec = unescaped(value);
        else if (key == QLatin1String("MimeType"))
            app.mimeTypes = value.split(u';', Qt::SkipEmptyParts);
        else if (key == QLatin1String("NoDisplay"))
            app.noDisplay = value == QLatin1String("true");
        else if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
    }
    if (type != QLatin1String("Application") || app.exec.isEmpty() || hidden) return std::nullopt;
    app.name = frenchName.isEmpty() ? name : frenchName;
    if (app.name.isEmpty()) app.name = id;
    return app;
}

std::vector<DesktopApplication> All(const QStringList &folders) {
    std::vector<DesktopApplication> out;
    QSet<QString> seen;
    for (const QString &folder : folders) {
        const QDir base(folder);
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            const QString file = it.next();
            QString id = base.relativeFilePath(file);
            id.replace(u'/', u'-');
            if (seen.contains(id)) continue;
            seen.insert(id);
            if (auto app = Parse(file, id)) out.push_back(std::move(*app));
        }
    }
    return out;
}

std::optional<DesktopApplication> Find(const QStringList &folders, const QString &id) {
    for (DesktopApplication &app : All(folders))
        if (app.id == id) return std::move(app);
    return std::nullopt;
}

} // namespace DesktopEntries
