// The entry list's model: Qt's own model checks, rows on top, the cell texts, the sort and the
// search.
#include "EntryListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

EntryListModel::Row row(const char *file, const char *path = "") {
    EntryListModel::Row r;
    r.file = file;
    r.path = path;
    r.totalSize = 1000;
    r.fileSize = 250;
    r.factor = 75;
    r.day = 31;
    r.month = 12;
    r.year = 2020;
    return r;
}

QString shown(const EntryListModel &m, int r) {
    QStringList cells;
    for (int c = 0; c < EntryListModel::kColumns; ++c)
        cells << m.index(r, c).data().toString();
    return cells.join(u'|');
}

TEST(EntryListModelTest, PassesQtsModelChecksThroughFillsAndAdds) {
    EntryListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.beginFill();
    m.add(row("a.txt"));
    m.add(row("b.txt", "d"));
    m.endFill(true);
    m.add(row("c.txt"));
    m.beginFill();
    m.add(row("never shown"));
    m.endFill(false);
    m.clear();
    EXPECT_EQ(m.rowCount(), 0);
}

TEST(EntryListModelTest, NewestRowIsOnTopWhetherListedOrAddedAlone) {
    EntryListModel m;
    m.beginFill();
    m.add(row("first.txt"));
    m.add(row("second.txt"));
    m.endFill(true);
    EXPECT_EQ(m.index(0, 0).data().toString(), QStringLiteral("second.txt"));
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    m.add(row("third.txt"));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0); // inserted at row 0, not appended
    EXPECT_EQ(m.index(0, 0).data().toString(), QStringLiteral("third.txt"));
    EXPECT_EQ(m.index(2, 0).data().toString(), QStringLiteral("first.txt"));
}

TEST(EntryListModelTest, AFillThatIsDroppedLeavesTheRowsShown) {
    EntryListModel m;
    m.beginFill();
    m.add(row("kept.txt"));
    m.endFill(true);
    m.beginFill();
    m.add(row("dropped.txt"));
    EXPECT_EQ(m.rowCount(), 1); // the view keeps the current rows meanwhile
    m.endFill(false);
    ASSERT_EQ(m.rowCount(), 1);
    EXPECT_EQ(m.index(0, 0).data().toString(), QStringLiteral("kept.txt"));
}

TEST(EntryListModelTest, CellsShowDayMonthYearSizesSavingAndFolder) {
    EntryListModel m;
    EntryListModel::Row r = row("a.txt", "docs/old");
    r.factor = -40000; // an entry that grew far beyond what a 16-bit saving holds
    r.fileSize = 401000;
    m.add(r);
    EXPECT_EQ(shown(m, 0), QStringLiteral("a.txt|31/12/2020|1000|-40000%|401000|docs/old"));
    EXPECT_EQ(m.index(0, 0).data(Qt::UserRole).toString(), QStringLiteral("docs/old/a.txt"));
}

TEST(EntryListModelTest, ControlCharactersOfANameShowAsVisibleSymbols) {
    EntryListModel m;
    m.add(row("a\tb\nc\x1b"
              "d\x7f",
              "x\ry"));
    EXPECT_EQ(m.index(0, 0).data().toString(), QString::fromUtf8("a\u2409b\u240Ac\u241Bd\u2421"));
    EXPECT_EQ(m.index(0, 5).data().toString(), QString::fromUtf8("x\u240Dy"));
    // The key stays the stored name.
    EXPECT_EQ(m.index(0, 0).data(Qt::UserRole).toString(), QString::fromUtf8("x\ry/a\tb\nc\x1b"
                                                                             "d\x7f"));
}

QStringList utf8(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

QStringList column0(const EntryListModel &m) {
    QStringList names;
    for (int r = 0; r < m.rowCount(); ++r)
        names << m.index(r, 0).data().toString();
    return names;
}

// Names in French order (accents and case second, not by their bytes), the saving as a signed
// number, equal keys in the listing's order (newest first), and the order kept by a refill of
// the same archive but dropped by another archive's listing.
TEST(EntryListModelTest, SortsNamesInFrenchOrderAndSavingsAsSignedNumbers) {
    EntryListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const char *ete = "\u00C9t\u00E9", *zebre = "z\u00E8bre";
    auto fill = [&](bool sameArchive) {
        m.beginFill();
        for (auto [name, factor] : {std::pair{"Zoo", 5}, {ete, -120}, {"eta", 5}, {zebre, 40}}) {
            EntryListModel::Row r = row(name);
            r.factor = factor;
            m.add(r);
        }
        m.endFill(true, sameArchive);
    };
    fill(false);
    m.sort(0);
    EXPECT_EQ(column0(m), utf8({"eta", ete, zebre, "Zoo"}));
    m.sort(3);
    // -120 % before 5 % (twice: eta, listed after Zoo, is above it), then 40 %.
    EXPECT_EQ(column0(m), utf8({ete, "eta", "Zoo", zebre}));
    m.sort(3, Qt::DescendingOrder);
    EXPECT_EQ(column0(m), utf8({zebre, "eta", "Zoo", ete}));

    fill(true);
    EXPECT_EQ(m.sortColumn(), 3);
    EXPECT_EQ(column0(m), utf8({zebre, "eta", "Zoo", ete}));
    fill(false);
    EXPECT_EQ(m.sortColumn(), -1);
    EXPECT_EQ(column0(m), utf8({zebre, "eta", ete, "Zoo"}));
}

} // namespace
