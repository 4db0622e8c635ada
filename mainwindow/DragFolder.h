// The folder that rows dragged out of the entry list are written into, for the file manager to
// copy from: one private folder (0700) of the temporary folder, made at the first drag and
// reused by the next ones, removed with everything in it when its owner goes (the main window,
// which lives until the program ends). The copies may be decrypted data: they never outlive
// the program's run.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

class DragFolder {
public:
    DragFolder() = default;
    ~DragFolder();
    DragFolder(const DragFolder &) = delete;
    DragFolder &operator=(const DragFolder &) = delete;

    // The folder, made when there is none yet (or when the one made is no longer there);
    // empty, with the system's reason in `detail`, when it cannot be made.
    QString path(std::string &detail);

private:
    bool stillOurs() const;

    QByteArray path_; // empty until made
};
