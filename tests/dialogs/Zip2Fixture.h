// The add dialog over a folder of files told apart by name and case, an archive path beside
// it, and helpers to read its file list and the archive's entries (through unzip).
#pragma once

#include "FolderDialogFixture.h"
#include "Zip2.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <cstdio>

// What a peer prints on its standard output.
inline std::string PeerOutput(const std::string &command) {
    std::string out;
    if (FILE *pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

class Zip2Fixture : public FolderDialogFixture {
protected:
    void SetUp() override {
        FolderDialogFixture::SetUp();
        src = folder(QStringLiteral("src"));
        for (const char *name : {"a.txt", "b.TXT", "README", "c.doc", ".hidden.txt", "sub/in.txt"})
            ziptest::WriteFile(path(std::string("src/") + name), std::string("data of ") + name);
        archive = base + QStringLiteral("/out.zip");
        Module1::Shared().CurrentArchive = archive;
        Module1::Shared().LastAddFolder = src;
    }

    Zip2 &dialog() { return Forms::Zip2(); }
    ExplorerTree *tree() { return child<ExplorerTree>(dialog(), "Tree1"); }
    QListWidget *files() { return child<QListWidget>(dialog(), "File1"); }
    QPushButton *button(const char *name) { return child<QPushButton>(dialog(), name); }
    QCheckBox *box(const char *name) { return child<QCheckBox>(dialog(), name); }
    QLineEdit *filter() { return child<QLineEdit>(dialog(), "Text1"); }

    QStringList listed() {
        QStringList names;
        for (int i = 0; i < files()->count(); ++i)
            names << files()->item(i)->text();
        return names;
    }
    QStringList selected() {
        QStringList names;
        for (int i = 0; i < files()->count(); ++i)
            if (files()->item(i)->isSelected()) names << files()->item(i)->text();
        return names;
    }
    void select(const QStringList &names) {
        for (int i = 0; i < files()->count(); ++i)
            if (names.contains(files()->item(i)->text())) files()->item(i)->setSelected(true);
    }
    // The archive's entry names, in the archive's order.
    QStringList entries() {
        return QString::fromStdString(PeerOutput("unzip -Z1 " +
                                                 ziptest::Quote(archive.toStdString()) +
                                                 " 2>/dev/null"))
            .split(u'\n', Qt::SkipEmptyParts);
    }
    // The entry name of a file of `src` when path names are kept: its path without the '/'.
    QString withPath(const QString &name) { return (src + u'/' + name).mid(1); }

    QString src, archive;
};
