// The rows of the main entry list. Rows are kept in the order the reader reports them and shown
// newest first (the listing's own order), so that adding one is an append, not an insertion at
// the top: 100,000 rows fill in one reset. A click on a header sorts the view and a search text
// hides the rows whose full name lacks it; both only rearrange a list of row numbers, the rows
// themselves never move.
//
// A row is kept compact: its numbers, and its file and folder names in one shared text (rows
// of one folder share its text). 100,000 rows cost about 5 MB.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

class EntryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // What the reader reported for one entry.
    struct Row {
        std::string file; // Fichier (UTF-8)
        std::string path; // Chemin: the folder inside the archive
        std::int64_t totalSize = 0, fileSize = 0, factor = 0;
        int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    };

    static constexpr int kColumns = 6;
    static const QStringList &Captions();
    static Qt::Alignment ColumnAlignment(int column);
    // Twips of the columns' default widths.
    static int ColumnTwips(int column);
    // The text as the search compares it: accents dropped, case folded ("Été" -> "ete").
    static QString Folded(const QString &text);

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Sorts the view on a column: names and folders in French alphabetical order, dates by
    // their time, sizes and the saving as numbers; rows that compare equal keep the listing's
    // order. The order stays through refills until clear() or endFill(true, false).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return sortColumn_; } // -1: the listing's order
    Qt::SortOrder sortOrder() const { return sortOrder_; }
    // Shows only the rows whose full name contains `text`, ignoring case and accents; empty
    // shows every row. Selected rows that go out of view are no longer selected.
    void setFilter(const QString &text);
    QString filter() const { return filter_; }
    int entryCount() const { return static_cast<int>(table_.rows.size()); } // hidden ones too

    // Empties the list; the listing's order and every row come back.
    void clear();
    // Rows added between beginFill and endFill are held aside while the view keeps showing the
    // current rows; endFill(true) shows them in one reset, endFill(false) drops them (a listing
    // that failed leaves the list as it was). The sort and the search stay when
    // `keepOrder` (the same archive listed again), otherwise both go.
    void beginFill();
    void add(const Row &row); // outside a fill, the row goes where the view's order puts it
    void endFill(bool keep, bool keepOrder = true);

    // Row i counted from the top of the view.
    QString fullNameAt(int i) const; // the entry's key in the archive
    // Fichier, Date, Taille, Taux, Compression, Chemin of row i. Control characters of a name
    // show as visible symbols (U+2400 block), so a tab or a line end cannot break the row.
    QString cell(int i, int column) const;

signals:
    // The view's order or search changed (also when clear() or a new listing drops them).
    void sortChanged(int column, Qt::SortOrder order);
    void filterChanged(const QString &text);

private:
    struct Stored {
        std::int64_t totalSize, fileSize, factor;
        std::uint64_t when;         // year, month, day, hour, minute: compares as the time does
        // Offsets in Table::text and lengths: entry names are below 64 KiB. 48 bytes a row.
        std::uint64_t file : 48, fileLength : 16;
        std::uint64_t folder : 48, folderLength : 16;
    };
    struct Table {
        std::deque<Stored> rows; // grows by blocks: no copy of every row at each doubling
        std::string text;
        void add(const Row &row);
        void clear();
        std::string_view file(const Stored &s) const {
            return {text.data() + s.file, s.fileLength};
        }
        std::string_view folder(const Stored &s) const {
            return {text.data() + s.folder, s.folderLength};
        }
    };

    const Stored &stored(int i) const { return table_.rows[shown_[static_cast<std::size_t>(i)]]; }
    // The rows in view, sorted and searched, from the listing's order.
    std::vector<std::uint32_t> viewOrder() const;
    // Rearranges the view, keeping the selection on rows that stay in view.
    void rearrange();
    bool matches(std::uint32_t row) const;
    bool less(std::uint32_t a, std::uint32_t b) const; // by the sort column, ascending

    Table table_, pending_;
    std::vector<std::uint32_t> shown_; // view row -> row in table_
    bool filling_ = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    QString filter_, foldedFilter_;
    std::string asciiFilter_; // the folded filter when it is plain ASCII: the fast path
};
