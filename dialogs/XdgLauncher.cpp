#include "XdgLauncher.h"

#include <QCollator>
#include <QMimeDatabase>
#include <QProcess>
#include <QSet>

#include <algorithm>

namespace {
constexpr int kRunTimeoutMs = 10000; // xdg-mime answers in well under a second
}

XdgLauncher::XdgLauncher(QStringList applicationFolders)
    : folders_(std::move(applicationFolders)) {}

QString XdgLauncher::MimeType(const QString &path) {
    return QMimeDatabase().mimeTypeForFile(path).name();
}

std::optional<DesktopApplication> XdgLauncher::DefaultApplication(const QString &mimeType) {
    const auto out = Run(QStringLiteral("xdg-mime"),
                         {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!out) return std::nullopt;
    // One ID on the first line; some versions end it with ';'.
    const QString id = out->section(u'\n', 0, 0).section(u';', 0, 0).trimmed();
    if (id.isEmpty()) return std::nullopt;
    return DesktopEntries::Find(folders_, id);
}

std::vector<DesktopApplication> XdgLauncher::Applications(const QString &mimeType) {
    // The type itself first, then its parents (text/csv is text/plain too); the generic
    // application/octet-stream is left out, it fits any file.
    QStringList types{mimeType};
    for (const QString &parent : QMimeDatabase().mimeTypeForName(mimeType).allAncestors())
        if (parent != QLatin1String("application/octet-stream")) types << parent;

    const std::vector<DesktopApplication> all = DesktopEntries::All(folders_);
    QCollator collator{QLocale(QLocale::French)};
    std::vector<DesktopApplication> out;
    QSet<QString> listed;
    for (const QString &type : types) {
        std::vector<DesktopApplication> tier;
        for (const DesktopApplication &app : all)
            if (!app.noDisplay && app.mimeTypes.contains(type) && !listed.contains(app.id)) {
                tier.push_back(app);
                listed.insert(app.id);
            }
        std::stable_sort(tier.begin(), tier.end(), [&](const auto &a, const auto &b) {
            return collator.compare(a.name, b.name) < 0;
        });
        out.insert(out.end(), tier.begin(), tier.end());
    }
    return out;
}

bool XdgLauncher::Launch(const DesktopApplication &application, const QString &path) {
    return StartDetached(QStringLiteral("gio"), {QStringLiteral("launch"), application.file, path});
}

bool XdgLauncher::StartProgram(const QString &program, const QStringList &arguments) {
    return StartDetached(program, arguments);
}

bool XdgLauncher::SetDefault(const DesktopApplication &application, const QString &mimeType) {
    return Run(QStringLiteral("xdg-mime"), {QStringLiteral("default"), application.id, mimeType})
        .has_value();
}

std::optional<QString> XdgLauncher::Run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForFinished(kRunTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool XdgLauncher::StartDetached(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}
