// Files dropped on the entry list go into the open archive; rows dragged out become files.
#include "UnzipFixture.h"

#include "EntryListView.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <gtest/gtest.h>

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

TEST_F(DragAndDropTest, WithoutAnArchiveFilesAreRefused) {
    start();
    WriteFile(path("new/x.txt"), "x");
    EXPECT_FALSE(dropOnList({q(path("new/x.txt"))}));
    EXPECT_TRUE(rows().empty());
}

TEST_F(DragAndDropTest, RowsDraggedOutAreWrittenToAPrivateFolder) {
    start(q(makeArchive()));
    QTreeView *view = list();
    for (int r = 0; r < view->model()->rowCount(); ++r)
        if (Forms::Unzip().model()->fullNameAt(r) == QStringLiteral("d/a.txt"))
            view->selectionModel()->select(view->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QList<QUrl> urls =
        Forms::Unzip().findChild<EntryListView *>(QStringLiteral("ListView1"))->filesToDrag();
    ASSERT_EQ(urls.size(), 1);
    const std::string file = urls[0].toLocalFile().toStdString();
    EXPECT_EQ(ReadFile(file), "inner");
    const fs::path folder = fs::path(file).parent_path().parent_path(); // below d/
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    fs::remove_all(folder);
}

} // namespace
