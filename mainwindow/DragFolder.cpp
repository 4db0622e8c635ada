#include "DragFolder.h"

#include "Module1.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

DragFolder::~DragFolder() {
    // Everything below was written by this run: the folder was made fresh by mkdtemp, and only
    // its owner (0700) can put anything there. Links inside are removed, never followed.
    if (path_.isEmpty() || !stillOurs()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_.constData(), ignored);
}

bool DragFolder::stillOurs() const {
    struct stat st {};
    return lstat(path_.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

QString DragFolder::path(std::string &detail) {
    if (path_.isEmpty() || !stillOurs()) {
        QByteArray made = QFile::encodeName(Module1::TempFolder() + QStringLiteral("mivo-XXXXXX"));
        if (!mkdtemp(made.data())) {
            detail = std::string("mkdtemp: ") + std::strerror(errno);
            return {};
        }
        path_ = made;
    }
    return QFile::decodeName(path_);
}
