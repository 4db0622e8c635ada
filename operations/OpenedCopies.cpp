#include "OpenedCopies.h"

#include "EntryNames.h"
#include "Module1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcOpened, "mivo.commands.opened")

namespace OpenedCopies {

namespace {

// The user's cache folder as XDG says: $XDG_CACHE_HOME when it is an absolute path (a relative
// one is to be ignored), else ~/.cache.
QString cacheHome() {
    const QString chosen = qEnvironmentVariable("XDG_CACHE_HOME");
    if (QDir::isAbsolutePath(chosen)) return QDir::cleanPath(chosen);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.cache"));
}

QString programFolder() {
    return cacheHome() + QStringLiteral("/Mivo-ZIP");
}

QString quoted(const QString &path) {
    return QStringLiteral("« ") + path + QStringLiteral(" »");
}

QString cannotMake(const QString &path, const char *what) {
    qCWarning(lcOpened) << what << path << "--" << std::strerror(errno);
    return QStringLiteral("Impossible de créer le dossier ") + quoted(path) + u'.';
}

// The cache folder is the user's own choice, taken by path; its missing parts are made 0700,
// as XDG asks.
QString makeCacheHome(const QString &path) {
    if (QFileInfo(path).isDir()) return {};
    const QString parent = QFileInfo(path).path();
    if (parent != path) {
        const QString failure = makeCacheHome(parent);
        if (!failure.isEmpty()) return failure;
    }
    if (mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
        return cannotMake(path, "mkdir");
    return {};
}

// A folder of the program's: made 0700 when missing; one already there must be a real folder
// (not a link) of the user's, and is closed to others. Checked and changed through one
// descriptor, so that what is checked is what is changed.
QString ownFolder(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    if (mkdir(name.constData(), 0700) != 0 && errno != EEXIST) return cannotMake(path, "mkdir");
    const int fd = open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        struct stat st {};
        if (lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode))
            return QStringLiteral("Le dossier ") + quoted(path) +
                   QStringLiteral(" est un lien symbolique : les fichiers ouverts n'y sont pas "
                                  "écrits.");
        if (err == ENOTDIR)
            return quoted(path) + QStringLiteral(" existe déjà et n'est pas un dossier.");
        errno = err;
        return cannotMake(path, "open");
    }
    struct stat st {};
    QString failure;
    if (fstat(fd, &st) != 0)
        failure = cannotMake(path, "fstat");
    else if (st.st_uid != geteuid())
        failure = QStringLiteral("Le dossier ") + quoted(path) +
                  QStringLiteral(" appartient à un autre utilisateur : les fichiers ouverts n'y "
                                 "sont pas écrits.");
    else if ((st.st_mode & 07777) != 0700 && fchmod(fd, 0700) != 0)
        failure = cannotMake(path, "fchmod");
    ::close(fd);
    return failure;
}

} // namespace

QString Folder() {
    return Module1::WithTrailingBackslash(programFolder() + QStringLiteral("/ouverts"));
}

QString ProgramFolder() {
    return Module1::WithTrailingBackslash(programFolder());
}

QString PrepareProgramFolder() {
    QString failure = makeCacheHome(cacheHome());
    if (failure.isEmpty()) failure = ownFolder(programFolder());
    return failure;
}

QString Prepare() {
    QString failure = PrepareProgramFolder();
    if (failure.isEmpty()) failure = ownFolder(programFolder() + QStringLiteral("/ouverts"));
    return failure;
}

QString PathOf(const QString &fullName) {
    const std::optional<std::string> relative =
        zipcomponent::SafeRelativePath(fullName.toStdString());
    if (!relative) return {};
    return Folder() + QString::fromStdString(*relative);
}

bool MakePrivate(const QString &copy) {
    if (fchmodat(AT_FDCWD, QFile::encodeName(copy).constData(), 0600, AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    qCWarning(lcOpened) << "fchmodat" << copy << "--" << std::strerror(errno);
    return false;
}

} // namespace OpenedCopies
