#include "RecordingLauncher.h"

#include <QDir>
#include <QFile>

#include <memory>

std::optional<QString> RecordingLauncher::Run(const QString &program,
                                              const QStringList &arguments) {
    ran.push_back(QStringList{program} + arguments);
    if (arguments.value(0) == QLatin1String("query")) return queryDefault;
    if (setDefaultFails) return std::nullopt;
    return QString();
}

bool RecordingLauncher::StartDetached(const QString &program, const QStringList &arguments) {
    started.push_back(QStringList{program} + arguments);
    return !startsFail;
}

RecordingLauncher &InstallRecordingLauncher(const QStringList &applicationFolders) {
    auto owned = std::make_unique<RecordingLauncher>(applicationFolders);
    RecordingLauncher &ref = *owned;
    setLauncher(std::move(owned));
    return ref;
}

QString WriteDesktopFile(const QString &folder, const QString &fileName, const QString &text) {
    QDir().mkpath(folder);
    const QString path = folder + u'/' + fileName;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    f.write(text.toUtf8());
    return path;
}
