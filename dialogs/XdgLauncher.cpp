// GIO before any Qt header: one of its structs has a member named `signals`, a macro in Qt.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "XdgLauncher.h"

#include <QFile>
#include <QLoggingCategory>
#include <QMimeDatabase>
#include <QProcess>
#include <QSet>

#include <memory>

namespace {

Q_LOGGING_CATEGORY(lcDesktop, "mivo.desktop")

// Owners of what GIO hands over.
struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using Owned = std::unique_ptr<T, Unref>;
struct FreeObjectList {
    void operator()(GList *list) const { g_list_free_full(list, g_object_unref); }
};
using OwnedList = std::unique_ptr<GList, FreeObjectList>;
struct Free {
    void operator()(gpointer memory) const { g_free(memory); }
};
using OwnedString = std::unique_ptr<char, Free>;
struct FreeKeyFile {
    void operator()(GKeyFile *keys) const { g_key_file_free(keys); }
};
struct FreeError {
    void operator()(GError *error) const { g_error_free(error); }
};
using OwnedError = std::unique_ptr<GError, FreeError>;

// The name for a French interface, whatever the process locale: GIO's own name follows the
// locale, and the key file it keeps holds that locale's translations only, so the file is read
// again with all of them.
QString frenchName(GAppInfo *info) {
    const char *file = G_IS_DESKTOP_APP_INFO(info)
                           ? g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(info))
                           : nullptr;
    if (file) {
        const std::unique_ptr<GKeyFile, FreeKeyFile> keys(g_key_file_new());
        if (g_key_file_load_from_file(keys.get(), file, G_KEY_FILE_KEEP_TRANSLATIONS, nullptr)) {
            // Name[fr], else the untranslated Name.
            const OwnedString name(g_key_file_get_locale_string(
                keys.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_NAME, "fr", nullptr));
            if (name && *name) return QString::fromUtf8(name.get());
        }
    }
    return QString::fromUtf8(g_app_info_get_name(info));
}

QString iconOf(GAppInfo *info) {
    GIcon *icon = g_app_info_get_icon(info); // owned by `info`
    if (G_IS_THEMED_ICON(icon)) {
        const gchar *const *names = g_themed_icon_get_names(G_THEMED_ICON(icon));
        return names && names[0] ? QString::fromUtf8(names[0]) : QString();
    }
    if (G_IS_FILE_ICON(icon)) {
        const OwnedString path(g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon))));
        return path ? QFile::decodeName(path.get()) : QString();
    }
    return {};
}

DesktopApplication describe(GAppInfo *info) {
    return {QString::fromUtf8(g_app_info_get_id(info)), frenchName(info),
            QFile::decodeName(g_app_info_get_commandline(info)), iconOf(info)};
}

// The application GIO knows under that ID now; null when it has gone.
Owned<GAppInfo> find(const DesktopApplication &application) {
    GDesktopAppInfo *info = g_desktop_app_info_new(application.id.toUtf8().constData());
    if (!info) qCWarning(lcDesktop) << "no desktop file for" << application.id;
    return Owned<GAppInfo>(info ? G_APP_INFO(info) : nullptr);
}

void warn(const char *what, const DesktopApplication &application, const OwnedError &error) {
    qCWarning(lcDesktop) << what << application.id << "--"
                         << (error ? error->message : "no reason given");
}

} // namespace

QString XdgLauncher::MimeType(const QString &path) {
    return QMimeDatabase().mimeTypeForFile(path).name();
}

std::optional<DesktopApplication> XdgLauncher::DefaultApplication(const QString &mimeType) {
    const Owned<GAppInfo> info(g_app_info_get_default_for_type(mimeType.toUtf8().constData(),
                                                               /*must_support_uris=*/FALSE));
    if (!info) return std::nullopt;
    return describe(info.get());
}

std::vector<DesktopApplication> XdgLauncher::Applications(const QString &mimeType) {
    const QByteArray type = mimeType.toUtf8();
    // Recommended: the type's own and those the user added to it; fallback: those of its parent
    // types. GIO keeps the two apart; an application is listed once all the same.
    const OwnedList recommended(g_app_info_get_recommended_for_type(type.constData()));
    const OwnedList fallback(g_app_info_get_fallback_for_type(type.constData()));
    std::vector<DesktopApplication> out;
    QSet<QByteArray> listed;
    for (GList *list : {recommended.get(), fallback.get()})
        for (GList *l = list; l; l = l->next) {
            auto *info = G_APP_INFO(l->data);
            const QByteArray id(g_app_info_get_id(info));
            if (listed.contains(id) || !g_app_info_should_show(info)) continue;
            listed.insert(id);
            out.push_back(describe(info));
        }
    return out;
}

bool XdgLauncher::Launch(const DesktopApplication &application, const QString &path) {
    const Owned<GAppInfo> info = find(application);
    if (!info) return false;
    const Owned<GFile> file(g_file_new_for_path(QFile::encodeName(path).constData()));
    GList files{file.get(), nullptr, nullptr};
    GError *error = nullptr;
    const bool started = g_app_info_launch(info.get(), &files, nullptr, &error);
    if (!started) warn("could not start", application, OwnedError(error));
    return started;
}

bool XdgLauncher::StartProgram(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

bool XdgLauncher::SetDefault(const DesktopApplication &application, const QString &mimeType) {
    const Owned<GAppInfo> info = find(application);
    if (!info) return false;
    GError *error = nullptr;
    const bool set =
        g_app_info_set_as_default_for_type(info.get(), mimeType.toUtf8().constData(), &error);
    if (!set) warn("could not become the default", application, OwnedError(error));
    return set;
}
