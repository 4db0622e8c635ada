#include "Settings.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <optional>
#include <vector>

namespace Settings {

using Module1::SharedState;

namespace {

// A program installed among the system's programs (/usr/bin, /usr/local/bin, /opt/...) shares
// its folder with every user: its settings never go there, even when root runs it and could
// write there.
bool isSystemFolder(const QString &folder) {
    QString dir = QFileInfo(folder).canonicalFilePath();
    if (dir.isEmpty()) dir = QDir::cleanPath(folder);
    for (const QLatin1String root : {QLatin1String("/usr"), QLatin1String("/opt"),
                                     QLatin1String("/bin"), QLatin1String("/sbin")}) {
        if (dir == root || dir.startsWith(root + QLatin1Char('/'))) return true;
    }
    return false;
}

} // namespace

QString Folder() {
    const QString app = Module1::Shared().AppFolder;
    if (!app.isEmpty() && !isSystemFolder(app) && QFileInfo(app).isWritable())
        return Module1::WithTrailingBackslash(app);
    // ~/.config/Mivo-ZIP/ (or $XDG_CONFIG_HOME/Mivo-ZIP/), whatever the application's name.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/Mivo-ZIP");
    QDir().mkpath(config);
    return Module1::WithTrailingBackslash(config);
}

QString OptionsPath() {
    return Folder() + QStringLiteral("Mivo-Zip.cfg");
}
QString ColoursPath() {
    return Folder() + QStringLiteral("MIVOZIPCouleurs.cfg");
}

namespace {

// Fields separated by commas or line ends; a field in double quotes loses them (a doubled quote
// inside stands for one quote, which is how a folder name holding a quote is written).
std::vector<QString> splitFields(const QString &text) {
    std::vector<QString> fields;
    int i = 0;
    const int n = text.size();
    auto isEnd = [](QChar c) { return c == u'\r' || c == u'\n'; };
    while (i < n) {
        while (i < n && (text[i] == u' ' || text[i] == u'\t'))
            ++i;
        QString field;
        if (i < n && text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
            while (i < n && text[i] != u',' && !isEnd(text[i]))
                ++i;
        } else {
            const int start = i;
            while (i < n && text[i] != u',' && !isEnd(text[i]))
                ++i;
            field = text.mid(start, i - start).trimmed();
        }
        fields.push_back(field);
        if (i < n && text[i] == u',') {
            ++i;
        } else {
            while (i < n && isEnd(text[i]))
                ++i;
        }
    }
    return fields;
}

std::optional<short> option(const std::vector<QString> &fields, std::size_t i) {
    if (i >= fields.size()) return std::nullopt;
    bool ok = false;
    const int v = fields[i].toInt(&ok);
    if (!ok || v < -32768 || v > 32767) return std::nullopt;
    return static_cast<short>(v);
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

bool writeWhole(const QString &path, const QByteArray &bytes) {
    return fileio::WriteFileAtomically(QFile::encodeName(path).toStdString(),
                                       std::string_view(bytes.constData(), bytes.size()));
}

QString quoted(const QString &text) {
    QString t = text;
    t.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QString colourNumber(std::uint32_t colour) {
    return Module1::StatusNumberText(static_cast<std::int32_t>(colour)) + QLatin1Char(' ');
}

} // namespace

bool LoadOptions(SharedState &s) {
    if (!Module1::IsFile(OptionsPath())) return false;
    const std::vector<QString> f = splitFields(QString::fromUtf8(readAll(OptionsPath())));
    short *options[] = {&s.ConfirmOverwriteOption, &s.SkipOlderOption,   &s.AlwaysOverwriteOption,
                        &s.NoSubFoldersOption,     &s.NoPathNamesOption, &s.EncryptOption};
    for (std::size_t i = 0; i < 6; ++i)
        *options[i] = option(f, i).value_or(0);
    s.LastAddFolder = f.size() > 6 ? f[6] : QString();
    s.ExtractFolder = f.size() > 7 ? f[7] : QString();
    return true;
}

void LoadColours(SharedState &s) {
    s.FolderListBackColor = kDefaultFolderListBackColor;
    s.FileListBackColor = kDefaultFileListBackColor;
    s.FileListTextColor = kDefaultFileListTextColor;
    if (!Module1::IsFile(ColoursPath())) return;
    const QStringList numbers =
        QString::fromUtf8(readAll(ColoursPath()))
            .split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
    std::uint32_t *colours[] = {&s.FolderListBackColor, &s.FileListBackColor, &s.FileListTextColor};
    // Read as far as the file goes; the first bad number ends the reading.
    for (int i = 0; i < 3 && i < numbers.size(); ++i) {
        bool ok = false;
        const qlonglong v = numbers[i].toLongLong(&ok);
        if (!ok || v < INT32_MIN || v > UINT32_MAX) break;
        *colours[i] = static_cast<std::uint32_t>(v);
    }
}

QByteArray OptionsBytes(const SharedState &s) {
    const QString text = QStringLiteral("%1,%2,%3,%4,%5,%6\r\n%7\r\n%8\r\n")
                             .arg(s.ConfirmOverwriteOption)
                             .arg(s.SkipOlderOption)
                             .arg(s.AlwaysOverwriteOption)
                             .arg(s.NoSubFoldersOption)
                             .arg(s.NoPathNamesOption)
                             .arg(s.EncryptOption)
                             .arg(quoted(s.LastAddFolder), quoted(s.ExtractFolder));
    return text.toUtf8();
}

QByteArray ColoursBytes(const SharedState &s) {
    return (colourNumber(s.FolderListBackColor) + colourNumber(s.FileListBackColor) +
            colourNumber(s.FileListTextColor) + QStringLiteral("\r\n"))
        .toUtf8();
}

bool SaveOptions(const SharedState &s) {
    return writeWhole(OptionsPath(), OptionsBytes(s));
}
bool SaveColours(const SharedState &s) {
    return writeWhole(ColoursPath(), ColoursBytes(s));
}

} // namespace Settings
