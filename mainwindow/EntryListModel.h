// The rows of the main entry list. Rows are kept in the order the reader reports them and shown
// newest first, so that adding one is an append, not an insertion at the top: 100,000 rows fill
// in one reset.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

class EntryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // What the reader reported; the cell texts are made when the view asks for them, so a row
    // costs no allocation for the usual short names.
    struct Row {
        std::string file; // Fichier (UTF-8)
        std::string path; // Chemin: the folder inside the archive
        std::int64_t totalSize = 0, fileSize = 0, factor = 0;
        int day = 0, month = 0, year = 0;

        // Fichier, Date, Taille, Taux, Compression, Chemin. Control characters of a name show as
        // visible symbols (U+2400 block), so a tab or a line end cannot break the row.
        QString cell(int column) const;
        QString fullName() const; // the entry's key in the archive
    };

    static constexpr int kColumns = 6;
    static const QStringList &Captions();
    static Qt::Alignment ColumnAlignment(int column);
    // Twips of the columns' default widths.
    static int ColumnTwips(int column);

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void clear();
    // Rows added between beginFill and endFill are held aside while the view keeps showing the
    // current rows; endFill(true) shows them in one reset, endFill(false) drops them (a listing
    // that failed leaves the list as it was).
    void beginFill();
    void add(Row row); // outside a fill, the row goes on top of the view
    void endFill(bool keep);

    // Row i counted from the top of the view.
    const Row &rowAt(int i) const { return rows_[rows_.size() - 1 - static_cast<std::size_t>(i)]; }
    QString fullNameAt(int i) const { return rowAt(i).fullName(); }

private:
    std::vector<Row> rows_;
    std::vector<Row> pending_;
    bool filling_ = false;
};
