// Files dropped on the entry list go into the open archive; rows dragged out become files.
#include "UnzipFixture.h"

#include "EntryListView.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class DragAndDropTest : public UnzipFixture {
protected:
    // Drops the files at the middle of the entry list; returns whether the drop was taken.
    bool dropOnList(const QStringList &files) {
        Unzip &w = Forms::Unzip();
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << QUrl::fromLocalFile(f);
        data.setUrls(urls);
        const QPoint at = list()->viewport()->mapTo(&w, list()->viewport()->rect().center());
        // As a real drag: entering, moving over the list, then the drop.
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &move);
        if (!move.isAccepted()) return false;
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        return drop.isAccepted();
    }
};

TEST_F(DragAndDropTest, FilesDroppedOnTheListAreAddedInOneRewrite) {
    const std::string archive = makeArchive();
    start(q(archive));
    WriteFile(path("new/x.txt"), "x");
    WriteFile(path("new/y.txt"), "y");
    Module1::Shared().NoPathNamesOption = 1; // the add dialog's stored option applies
    ASSERT_TRUE(dropOnList({q(path("new/x.txt")), q(path("new/y.txt"))}));
    EXPECT_EQ(rows().size(), 5u);
    EXPECT_EQ(ziptest::Shell("unzip -l " + ziptest::Quote(archive) + " | grep -q ' x.txt$'"), 0);
    EXPECT_EQ(states(), "1101110");
    EXPECT_TRUE(prompts->messages().empty());
}

TEST_F(DragAndDropTest, AFileThatCannotBeAddedIsSaidOnceAndTheOthersGoIn) {
    const std::string archive = makeArchive();
    start(q(archive));
    WriteFile(path("new/x.txt"), "x");
    ASSERT_TRUE(dropOnList({q(path("new/x.txt")), q(path("new/missing.txt"))}));
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].title, QStringLiteral("Erreur"));
    EXPECT_TRUE(prompts->messages()[0].text.contains(QStringLiteral("missing.txt")));
    EXPECT_EQ(rows().size(), 4u);
}

// As in the add dialog: a cancelled password question stops the whole add, asked once.
TEST_F(DragAndDropTest, ACancelledPasswordWritesNothingAndIsAskedOnce) {
    const std::string archive = makeArchive();
    const std::string before = ReadFile(archive);
    start(q(archive));
    for (const char *name : {"new/x.txt", "new/y.txt", "new/z.txt"})
        WriteFile(path(name), name);
    Module1::Shared().EncryptOption = 1;
    prompts->encryptionAnswers.push_back(std::nullopt);
    ASSERT_TRUE(dropOnList({q(path("new/x.txt")), q(path("new/y.txt")), q(path("new/z.txt"))}));
    EXPECT_EQ(ReadFile(archive), before);
    const auto asked = std::count_if(prompts->asked.begin(), prompts->asked.end(),
                                     [](const auto &a) { return a.kind == "encryption"; });
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(prompts->messages().empty());
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(DragAndDropTest, WithoutAnArchiveFilesAreRefused) {
    start();
    WriteFile(path("new/x.txt"), "x");
    EXPECT_FALSE(dropOnList({q(path("new/x.txt"))}));
    EXPECT_TRUE(rows().empty());
}

// Every drag writes into one private folder of the temporary folder, replacing what an earlier
// drag left there without a question; the folder goes with the window at the program's end.
TEST_F(DragAndDropTest, RowsDraggedOutShareOnePrivateFolderEmptiedAtTheEnd) {
    start(q(makeArchive()));
    auto drag = [this](const QString &name) {
        QTreeView *view = list();
        view->clearSelection();
        for (int r = 0; r < view->model()->rowCount(); ++r)
            if (Forms::Unzip().model()->fullNameAt(r) == name)
                view->selectionModel()->select(view->model()->index(r, 0),
                                               QItemSelectionModel::Select |
                                                   QItemSelectionModel::Rows);
        const QList<QUrl> urls =
            Forms::Unzip().findChild<EntryListView *>(QStringLiteral("ListView1"))->filesToDrag();
        EXPECT_EQ(urls.size(), 1);
        return urls.value(0).toLocalFile().toStdString();
    };
    const std::string first = drag(QStringLiteral("d/a.txt"));
    EXPECT_EQ(ReadFile(first), "inner");
    const fs::path folder = fs::path(first).parent_path().parent_path(); // below d/
    EXPECT_EQ(folder.parent_path(), fs::path(path("tmp")));
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    Forms::Unzip().VFunzip1.ConfirmOverwrite = 1; // as an extraction with confirmation leaves it
    WriteFile(first, "changed since");
    EXPECT_EQ(drag(QStringLiteral("d/a.txt")), first);
    EXPECT_EQ(ReadFile(first), "inner");
    EXPECT_EQ(fs::path(drag(QStringLiteral("c.txt"))).parent_path(), folder);
    EXPECT_TRUE(prompts->asked.empty());

    // The close box quits; the window goes, and the folder with it.
    Forms::Unzip().close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(Forms::UnzipLoaded());
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(ended, 1);
}

} // namespace
