// The entry list as a user drives it: header clicks sort it, Ctrl+F searches it.
#include "UnzipFixture.h"

#include "EntryListModel.h"
#include "EntryListView.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class EntryListViewTest : public UnzipFixture {
protected:
    QStringList names() {
        QStringList out;
        for (int r = 0; r < list()->model()->rowCount(); ++r)
            out << Forms::Unzip().model()->fullNameAt(r);
        return out;
    }
    void clickHeader(int column) {
        QHeaderView *header = list()->header();
        const QPoint at(header->sectionViewportPosition(column) + 4, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    // The header's sort indicator: "column up", "column down" or "none".
    std::string indicator() {
        QHeaderView *header = list()->header();
        if (!header->isSortIndicatorShown()) return "none";
        return std::to_string(header->sortIndicatorSection()) +
               (header->sortIndicatorOrder() == Qt::AscendingOrder ? " up" : " down");
    }
};

// Names, dates and sizes in three different orders, none the listing's, and none the order of
// the cells' texts ("02/01/2020" before "15/06/2019", "100" before "20").
TEST_F(EntryListViewTest, HeaderClicksSortByTimeAndSizeAndTheOrderOutlivesAnAddition) {
    WriteFile(path("src/a.txt"), std::string(20, 'a'), LocalNoon(2021, 11, 3));
    WriteFile(path("src/b.txt"), std::string(100, 'b'), LocalNoon(2019, 6, 15));
    WriteFile(path("src/c.txt"), std::string(3, 'c'), LocalNoon(2020, 1, 2));
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) + " && zip -q -0 ../abc.zip " +
                             "a.txt b.txt c.txt"),
              0);
    start(q(path("abc.zip")));
    EXPECT_EQ(names(), QStringList({"c.txt", "b.txt", "a.txt"}));
    EXPECT_EQ(indicator(), "none");

    clickHeader(1); // Date
    EXPECT_EQ(names(), QStringList({"b.txt", "c.txt", "a.txt"}));
    EXPECT_EQ(indicator(), "1 up");
    clickHeader(1);
    EXPECT_EQ(names(), QStringList({"a.txt", "c.txt", "b.txt"}));
    EXPECT_EQ(indicator(), "1 down");
    clickHeader(2); // Taille
    EXPECT_EQ(names(), QStringList({"c.txt", "a.txt", "b.txt"}));
    EXPECT_EQ(indicator(), "2 up");

    // Added through the window: the list is read again from the archive, in the same order.
    WriteFile(path("new/d.txt"), std::string(50, 'd'));
    AddOperation::Request addition;
    addition.paths = {q(path("new/d.txt"))};
    addition.noPathNames = 1;
    ASSERT_TRUE(Forms::Unzip().addToArchive(addition));
    EXPECT_EQ(names(), QStringList({"c.txt", "a.txt", "d.txt", "b.txt"}));
    EXPECT_EQ(indicator(), "2 up");

    // Another archive opens in its listing's order.
    ASSERT_TRUE(Forms::Unzip().session().open(q(makeArchive())));
    EXPECT_EQ(names(), QStringList({"c.txt", "d/a.txt", "a.txt"}));
    EXPECT_EQ(indicator(), "none");
}

TEST_F(EntryListViewTest, SearchIgnoresCaseAndAccentsAndRemoveTakesOnlyTheRowsInView) {
    const std::string archive = path("accents.zip");
    for (const char *name : {"\xC3\x89t\xC3\xA9.txt", "\xC3\xA9T\xC3\x89/x", "etat.txt",
                             "sete/hiver.txt", "autre.txt"})
        WriteFile(path(std::string("src/") + name), name);
    ASSERT_EQ(ziptest::Shell("cd " + ziptest::Quote(path("src")) +
                             " && LC_ALL=C.UTF-8 zip -q ../accents.zip \xC3\x89t\xC3\xA9.txt "
                             "\xC3\xA9T\xC3\x89/x etat.txt sete/hiver.txt autre.txt"),
              0);
    Unzip &w = start(q(archive));
    ASSERT_EQ(list()->model()->rowCount(), 5);
    QApplication::setActiveWindow(&w); // Ctrl+F works anywhere in the active window
    // A selected row that the search hides is no longer selected, and the commands follow.
    QTreeView *view = list();
    view->selectionModel()->select(view->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(names().first(), QStringLiteral("autre.txt"));
    ASSERT_TRUE(enabled("Mnu_SupFich"));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    auto *field = child<QLineEdit>("ListView1_Search");
    ASSERT_TRUE(field->isVisible());
    QTest::keyClicks(field, QStringLiteral("ete"));
    // "etat.txt" lacks "ete"; "sete/hiver.txt" has it in its folder.
    EXPECT_EQ(names(), QStringList({"sete/hiver.txt", QString::fromUtf8("\xC3\xA9T\xC3\x89/x"),
                                    QString::fromUtf8("\xC3\x89t\xC3\xA9.txt")}));
    EXPECT_FALSE(view->selectionModel()->hasSelection());
    EXPECT_FALSE(enabled("Mnu_SupFich"));
    EXPECT_TRUE(child<QRadioButton>("OptionDEC_0")->isChecked());

    // Select all takes the rows in view; Remove takes the selected ones.
    view->selectAll();
    view->selectionModel()->select(view->model()->index(0, 0),
                                   QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    trigger("Mnu_SupFich");
    EXPECT_EQ(ziptest::Shell("(unzip -Z1 " + ziptest::Quote(archive) + " > " +
                             ziptest::Quote(path("left.txt")) + ")"),
              0);
    EXPECT_EQ(ReadFile(path("left.txt")), "etat.txt\nsete/hiver.txt\nautre.txt\n");
    EXPECT_EQ(names(), QStringList({"sete/hiver.txt"})); // the search stays
    EXPECT_EQ(panel(3), QStringLiteral(" 3 Fichiers "));

    field->setFocus();
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->isVisible());
    EXPECT_EQ(field->text(), QString());
    EXPECT_EQ(names(), QStringList({"autre.txt", "sete/hiver.txt", "etat.txt"}));
}

} // namespace
