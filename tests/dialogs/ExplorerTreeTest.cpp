// The folder tree: SelectedFolder in effect before it returns, paths it refuses, hidden
// folders, a user's click, RefreshTree and the background colour.
#include "ExplorerTree.h"
#include "DialogTestUtil.h"
#include "ZipTestUtil.h"

#include <QAbstractItemModel>
#include <QDeadlineTimer>
#include <QDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

namespace {

bool waitFor(const std::function<bool()> &condition, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!condition() && !deadline.hasExpired())
        QTest::qWait(10);
    return condition();
}

class ExplorerTreeTest : public ziptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        base = QString::fromStdString(root.string());
        for (const char *folder : {"a/b", "sub dir", "visible", ".hid/inner", "z"})
            QDir().mkpath(base + u'/' + QString::fromLatin1(folder));
        ziptest::WriteFile(path("file.txt"), "x");
        tree.setObjectName(QStringLiteral("Tree1"));
        tree.resize(300, 400);
        // What the handler sees: the current folder at the moment it runs.
        tree.OnDirChanged = [this] { seen << tree.CurrentFolder(); };
    }

    // The names listed under the view's current folder once it has loaded.
    QStringList listed() {
        QAbstractItemModel *m = tree.view()->model();
        const QModelIndex current = tree.view()->currentIndex();
        QStringList names;
        for (int r = 0; r < m->rowCount(current); ++r)
            names << m->index(r, 0, current).data().toString();
        return names;
    }
    QModelIndex listedIndex(const QString &name) {
        QAbstractItemModel *m = tree.view()->model();
        const QModelIndex current = tree.view()->currentIndex();
        for (int r = 0; r < m->rowCount(current); ++r)
            if (m->index(r, 0, current).data().toString() == name) return m->index(r, 0, current);
        return {};
    }

    QString base;
    ExplorerTree tree;
    QStringList seen;
};

TEST_F(ExplorerTreeTest, SelectedFolderTakesEffectBeforeItReturns) {
    EXPECT_EQ(tree.CurrentFolder(), QString());
    ASSERT_TRUE(tree.SelectedFolder(base + "/a/./b/"));
    EXPECT_EQ(seen, QStringList({base + "/a/b"}));
    EXPECT_EQ(tree.CurrentFolder(), base + "/a/b");
    ASSERT_TRUE(tree.SelectedFolder(base + "/a/b")); // the same folder: no change to report
    EXPECT_EQ(seen.size(), 1);
    ASSERT_TRUE(tree.SelectedFolder(QStringLiteral("/")));
    EXPECT_EQ(seen, QStringList({base + "/a/b", "/"}));
    EXPECT_EQ(tree.CurrentFolder(), QStringLiteral("/"));
}

TEST_F(ExplorerTreeTest, RefusesPathsItCannotShowAndKeepsItsFolder) {
    ASSERT_TRUE(tree.SelectedFolder(base + "/z"));
    for (const QString &bad :
         {base + "/missing", base + "/file.txt", QStringLiteral("z"), QString()}) {
        EXPECT_FALSE(tree.SelectedFolder(bad)) << bad.toStdString();
        EXPECT_EQ(tree.CurrentFolder(), base + "/z");
    }
    EXPECT_EQ(seen, QStringList({base + "/z"}));
}

TEST_F(ExplorerTreeTest, ListsFoldersOnlyWithoutHiddenOnesUnlessSelectedByPath) {
    tree.show();
    ASSERT_TRUE(tree.SelectedFolder(base));
    // Sorted by name once loaded; no file, no hidden folder.
    const QStringList expected{"a", "sub dir", "visible", "z"};
    EXPECT_TRUE(waitFor([&] { return listed() == expected; })) << listed().join(u',').toStdString();
    ASSERT_TRUE(tree.SelectedFolder(base + "/.hid/inner"));
    EXPECT_EQ(tree.CurrentFolder(), base + "/.hid/inner");
}

TEST_F(ExplorerTreeTest, AClickOnASubFolderMakesItCurrent) {
    tree.show();
    ASSERT_TRUE(tree.SelectedFolder(base));
    // Once listed and sorted, rows stay put; an index is taken again after events ran.
    ASSERT_TRUE(waitFor([&] { return listed() == QStringList({"a", "sub dir", "visible", "z"}); }));
    tree.view()->scrollTo(listedIndex("sub dir"));
    QTest::qWait(0);
    const QRect place = tree.view()->visualRect(listedIndex("sub dir"));
    ASSERT_FALSE(place.isEmpty());
    QTest::mouseClick(tree.view()->viewport(), Qt::LeftButton, {}, place.center());
    EXPECT_EQ(seen, QStringList({base, base + "/sub dir"}));
    EXPECT_EQ(tree.CurrentFolder(), base + "/sub dir");
}

TEST_F(ExplorerTreeTest, RefreshTreeListsAFolderJustCreated) {
    ASSERT_TRUE(tree.SelectedFolder(base + "/a"));
    ASSERT_TRUE(waitFor([&] { return listed() == QStringList({"b"}); }));
    ASSERT_TRUE(QDir().mkdir(base + "/a/nouveau"));
    tree.RefreshTree();
    // At once, not when the watcher gets round to it.
    EXPECT_TRUE(listed().contains(QStringLiteral("nouveau")));
    ASSERT_TRUE(tree.SelectedFolder(base + "/a/nouveau"));
    EXPECT_EQ(tree.CurrentFolder(), base + "/a/nouveau");
}

TEST_F(ExplorerTreeTest, ACurrentFolderRemovedFromDiskGivesWayToItsParent) {
    ASSERT_TRUE(tree.SelectedFolder(base));
    ASSERT_TRUE(waitFor([&] { return listed() == QStringList({"a", "sub dir", "visible", "z"}); }));
    ASSERT_TRUE(tree.SelectedFolder(base + "/a/b"));
    // A folder above the current one: the watcher may report "b" first, then "a".
    ASSERT_TRUE(QDir(base + "/a").removeRecursively());
    EXPECT_TRUE(waitFor([&] { return tree.CurrentFolder() == base; }));
    ASSERT_TRUE(tree.SelectedFolder(base + "/z"));
    seen.clear();
    ASSERT_TRUE(QDir().rmdir(base + "/z")); // not its sibling "visible", nor nothing
    EXPECT_TRUE(waitFor([&] { return tree.CurrentFolder() != base + "/z"; }));
    EXPECT_EQ(seen, QStringList({base}));

    // "z" removed while "zed" is current: a name that begins another is not its folder.
    ASSERT_TRUE(QDir().mkdir(base + "/z"));
    ASSERT_TRUE(QDir().mkdir(base + "/zed"));
    ASSERT_TRUE(waitFor([&] { return listed().contains("z") && listed().contains("zed"); }));
    ASSERT_TRUE(tree.SelectedFolder(base + "/zed"));
    seen.clear();
    ASSERT_TRUE(QDir().rmdir(base + "/z"));
    ASSERT_TRUE(tree.SelectedFolder(base + "/zed/.")); // the same folder: nothing to report
    const QModelIndex parent = tree.view()->currentIndex().parent();
    const auto siblings = [&] {
        QStringList names;
        for (int r = 0; r < parent.model()->rowCount(parent); ++r)
            names << parent.model()->index(r, 0, parent).data().toString();
        return names;
    };
    EXPECT_TRUE(waitFor([&] { return !siblings().contains("z"); }));
    EXPECT_EQ(tree.CurrentFolder(), base + "/zed");
    EXPECT_TRUE(seen.isEmpty());
}

TEST_F(ExplorerTreeTest, BackColorColoursTheViewAndKeepsItsTextReadable) {
    tree.BackColor(0x00123456u); // 0x00BBGGRR
    EXPECT_EQ(tree.BackColor(), 0x00123456u);
    EXPECT_EQ(tree.view()->palette().color(QPalette::Base), QColor(0x56, 0x34, 0x12));
    tree.BackColor(0x00000000u); // black: the window text turns white if it would not read
    EXPECT_EQ(tree.view()->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_GE(qGray(tree.view()->palette().color(QPalette::Text).rgb()), 128);
}

TEST_F(ExplorerTreeTest, OpensTheHomeFolderAtFirstShowWithoutChoosingIt) {
    tree.show();
    tree.view()->setFocus(); // the view's implicit current row is no choice
    QTest::qWait(0);
    EXPECT_EQ(tree.CurrentFolder(), QString());
    EXPECT_TRUE(seen.isEmpty());
    // "/" and every folder down to the home folder are open, the home folder too.
    QAbstractItemModel *m = tree.view()->model();
    QModelIndex at = m->index(0, 0);
    ASSERT_EQ(at.data().toString(), QStringLiteral("/"));
    for (const QString &part : QDir::homePath().split(u'/', Qt::SkipEmptyParts)) {
        EXPECT_TRUE(tree.view()->isExpanded(at)) << at.data().toString().toStdString();
        QModelIndex next;
        for (int r = 0; r < m->rowCount(at); ++r)
            if (m->index(r, 0, at).data().toString() == part) next = m->index(r, 0, at);
        ASSERT_TRUE(next.isValid()) << part.toStdString();
        at = next;
    }
    EXPECT_TRUE(tree.view()->isExpanded(at));
}

TEST_F(ExplorerTreeTest, TheSelectedFolderIsInViewOnceItsParentsAreSorted) {
    // Forty folders sort before the one chosen: it starts as the first row of its parent and
    // ends, once the parent is listed and sorted, well below the first screenful.
    for (int i = 0; i < 40; ++i)
        QDir().mkpath(base + QStringLiteral("/list/a%1").arg(i, 2, 10, QChar(u'0')));
    QDir().mkpath(base + QStringLiteral("/list/zz chosen"));
    tree.resize(300, 200);
    ASSERT_TRUE(tree.SelectedFolder(base + QStringLiteral("/list/zz chosen")));
    tree.show();
    const QTreeView *view = tree.view();
    const auto sorted = [&] {
        const QModelIndex parent = view->currentIndex().parent();
        return parent.model()->rowCount(parent) == 41 && view->currentIndex().row() == 40;
    };
    ASSERT_TRUE(waitFor(sorted));
    QTest::qWait(50); // the scroll follows the sort once the events have run
    const QRect place = view->visualRect(view->currentIndex());
    EXPECT_TRUE(view->viewport()->rect().contains(place.center()));
}

} // namespace
