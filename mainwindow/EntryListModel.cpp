#include "EntryListModel.h"

#include <QLocale>
#include <QStringDecoder>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace {

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString visible(std::string_view name) {
    QString text = utf8(name);
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
    }
    return text;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::uint64_t packedTime(const EntryListModel::Row &r) {
    auto field = [](int value, int bits) {
        return static_cast<std::uint64_t>(std::clamp(value, 0, (1 << bits) - 1));
    };
    return field(r.year, 20) << 26 | field(r.month, 4) << 22 | field(r.day, 5) << 17 |
           field(r.hour, 5) << 12 | field(r.minute, 6) << 6;
}

// Names in French alphabetical order, through ICU (what QCollator uses too). A sort compares
// each row's sort key, made once: bytes that compare as the names do.
class NameOrder {
public:
    NameOrder() {
        UErrorCode status = U_ZERO_ERROR;
        collator_ = ucol_open("fr", &status);
        if (U_FAILURE(status)) collator_ = nullptr;
    }
    ~NameOrder() {
        if (collator_) ucol_close(collator_);
    }
    NameOrder(const NameOrder &) = delete;
    NameOrder &operator=(const NameOrder &) = delete;

    int compare(std::string_view a, std::string_view b) {
        if (!collator_) return a.compare(b);
        UErrorCode status = U_ZERO_ERROR;
        return ucol_strcollUTF8(collator_, a.data(), int32_t(a.size()), b.data(), int32_t(b.size()),
                                &status);
    }

    // The sort key of `name` (without its final zero byte), valid until the next call.
    std::string_view key(std::string_view name) {
        if (!collator_) return name;
        text_.resize(name.size() + 1);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QChar *end = decoder.appendToBuffer(
            text_.data(), QByteArrayView(name.data(), qsizetype(name.size())));
        const auto *utf16 = reinterpret_cast<const UChar *>(text_.data());
        const auto length = static_cast<int32_t>(end - text_.data());
        int32_t size =
            ucol_getSortKey(collator_, utf16, length, reinterpret_cast<uint8_t *>(key_.data()),
                            static_cast<int32_t>(key_.size()));
        if (size > static_cast<int32_t>(key_.size())) {
            key_.resize(static_cast<std::size_t>(size));
            size = ucol_getSortKey(collator_, utf16, length,
                                   reinterpret_cast<uint8_t *>(key_.data()), size);
        }
        return {key_.data(), static_cast<std::size_t>(std::max(size - 1, 0))};
    }

private:
    UCollator *collator_ = nullptr;
    std::vector<QChar> text_;
    std::vector<char> key_ = std::vector<char>(256); // the room a key may take
};

// Sort keys, each ending in a zero byte (ICU's keys hold no other), in blocks that are filled
// and never moved: no copy of every key as they grow.
class SortKeys {
public:
    const char *add(std::string_view key) {
        const std::size_t size = key.size() + 1;
        if (blocks_.empty() || used_ + size > capacity_) {
            capacity_ = std::max<std::size_t>(kBlock, size);
            blocks_.emplace_back(new char[capacity_]);
            used_ = 0;
        }
        char *at = blocks_.back().get() + used_;
        std::memcpy(at, key.data(), key.size());
        at[key.size()] = '\0';
        used_ += size;
        return at;
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0, capacity_ = 0;
};

} // namespace

void EntryListModel::Table::add(const Row &row) {
    Stored s{};
    s.totalSize = row.totalSize;
    s.fileSize = row.fileSize;
    s.factor = row.factor;
    s.when = packedTime(row);
    // Zip names are below 64 KiB; a longer one from elsewhere is cut rather than misread.
    const std::size_t limit = std::numeric_limits<std::uint16_t>::max();
    const std::string_view file(row.file.data(), std::min(row.file.size(), limit));
    const std::string_view folder(row.path.data(), std::min(row.path.size(), limit));
    // Entries come folder by folder: a row in the folder of the one before shares its text.
    if (!rows.empty() && this->folder(rows.back()) == folder) {
        s.folder = rows.back().folder;
    } else {
        s.folder = text.size();
        text.append(folder);
    }
    s.folderLength = static_cast<std::uint16_t>(folder.size());
    s.file = text.size();
    s.fileLength = static_cast<std::uint16_t>(file.size());
    text.append(file);
    rows.push_back(s);
}

void EntryListModel::Table::clear() {
    rows = {};
    text = {};
}

QString EntryListModel::Folded(const QString &text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) out += c;
    return out.toCaseFolded();
}

QString EntryListModel::cell(int i, int column) const {
    const Stored &s = stored(i);
    switch (column) {
    case 0:
        return visible(table_.file(s));
    case 1:
        return QStringLiteral("%1/%2/%3")
            .arg(int(s.when >> 17 & 31), 2, 10, QLatin1Char('0'))
            .arg(int(s.when >> 22 & 15), 2, 10, QLatin1Char('0'))
            .arg(qulonglong(s.when >> 26));
    case 2:
        return QString::number(s.totalSize);
    case 3:
        return QString::number(s.factor) + u'%';
    case 4:
        return QString::number(s.fileSize);
    case 5:
        return visible(table_.folder(s));
    default:
        return {};
    }
}

QString EntryListModel::fullNameAt(int i) const {
    const Stored &s = stored(i);
    const std::string_view folder = table_.folder(s);
    if (folder.empty()) return utf8(table_.file(s));
    return utf8(folder) + u'/' + utf8(table_.file(s));
}

const QStringList &EntryListModel::Captions() {
    static const QStringList captions = {QStringLiteral("Fichier"),     QStringLiteral("Date"),
                                         QStringLiteral("Taille"),      QStringLiteral("Taux"),
                                         QStringLiteral("Compression"), QStringLiteral("Chemin")};
    return captions;
}

Qt::Alignment EntryListModel::ColumnAlignment(int column) {
    switch (column) {
    case 1:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case 2:
    case 3:
    case 4:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

int EntryListModel::ColumnTwips(int column) {
    static const int twips[kColumns] = {4410, 1323, 1764, 882, 1764, 8820};
    return twips[column];
}

int EntryListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int EntryListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant EntryListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole) return cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(ColumnAlignment(index.column()));
    if (role == Qt::UserRole) return fullNameAt(index.row());
    return {};
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
    if (role == Qt::DisplayRole) return Captions()[section];
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(ColumnAlignment(section));
    return {};
}

bool EntryListModel::matches(std::uint32_t row) const {
    if (filter_.isEmpty()) return true;
    const Stored &s = table_.rows[row];
    const std::string_view folder = table_.folder(s), file = table_.file(s);
    if (!asciiFilter_.empty() && isAscii(folder) && isAscii(file)) {
        std::string name;
        name.reserve(folder.size() + 1 + file.size());
        for (char c : folder)
            name += lowerAscii(c);
        if (!folder.empty()) name += '/';
        for (char c : file)
            name += lowerAscii(c);
        return name.find(asciiFilter_) != std::string::npos;
    }
    const QString name = folder.empty() ? utf8(file) : utf8(folder) + u'/' + utf8(file);
    return Folded(name).contains(foldedFilter_);
}

std::vector<std::uint32_t> EntryListModel::viewOrder() const {
    // The listing's order: the newest row on top.
    std::vector<std::uint32_t> order;
    order.reserve(table_.rows.size());
    for (std::size_t i = table_.rows.size(); i-- > 0;)
        if (matches(static_cast<std::uint32_t>(i))) order.push_back(static_cast<std::uint32_t>(i));
    if (sortColumn_ < 0) return order;
    const bool ascending = sortOrder_ == Qt::AscendingOrder;
    if (sortColumn_ == 0 || sortColumn_ == 5) {
        // Each row's key once, for the sort to compare bytes.
        NameOrder names;
        SortKeys keys;
        std::vector<const char *> keyOf(table_.rows.size());
        for (const std::uint32_t r : order) {
            const Stored &s = table_.rows[r];
            keyOf[r] = keys.add(names.key(sortColumn_ == 0 ? table_.file(s) : table_.folder(s)));
        }
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return ascending ? std::strcmp(keyOf[a], keyOf[b]) < 0
                             : std::strcmp(keyOf[b], keyOf[a]) < 0;
        });
    } else {
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return ascending ? less(a, b) : less(b, a);
        });
    }
    return order;
}

bool EntryListModel::less(std::uint32_t a, std::uint32_t b) const {
    const Stored &x = table_.rows[a], &y = table_.rows[b];
    switch (sortColumn_) {
    case 1:
        return x.when < y.when;
    case 2:
        return x.totalSize < y.totalSize;
    case 3:
        return x.factor < y.factor;
    case 4:
        return x.fileSize < y.fileSize;
    default: {
        NameOrder names;
        return sortColumn_ == 0 ? names.compare(table_.file(x), table_.file(y)) < 0
                                : names.compare(table_.folder(x), table_.folder(y)) < 0;
    }
    }
}

void EntryListModel::rearrange() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<std::uint32_t> order = viewOrder();
    // Where each row goes: persistent indexes (the selection, the current row) follow their
    // row, or go when it is no longer in view.
    std::vector<int> newRow(table_.rows.size(), -1);
    for (std::size_t v = 0; v < order.size(); ++v)
        newRow[order[v]] = static_cast<int>(v);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before) {
        const int r = i.row() < rowCount() ? newRow[shown_[static_cast<std::size_t>(i.row())]] : -1;
        after << (r < 0 ? QModelIndex() : createIndex(r, i.column()));
    }
    shown_.swap(order);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void EntryListModel::sort(int column, Qt::SortOrder order) {
    if (column < -1 || column >= kColumns) return;
    sortColumn_ = column;
    sortOrder_ = order;
    rearrange();
    emit sortChanged(sortColumn_, sortOrder_);
}

void EntryListModel::setFilter(const QString &text) {
    if (text == filter_) return;
    filter_ = text;
    foldedFilter_ = Folded(text);
    const QByteArray folded = foldedFilter_.toUtf8();
    asciiFilter_ = isAscii(std::string_view(folded.data(), std::size_t(folded.size())))
                       ? folded.toStdString()
                       : std::string();
    rearrange();
    emit filterChanged(filter_);
}

void EntryListModel::clear() {
    beginResetModel();
    table_.clear();
    shown_ = {};
    const bool hadOrder = sortColumn_ >= 0, hadFilter = !filter_.isEmpty();
    sortColumn_ = -1;
    sortOrder_ = Qt::AscendingOrder;
    filter_.clear();
    foldedFilter_.clear();
    asciiFilter_.clear();
    endResetModel();
    if (hadOrder) emit sortChanged(sortColumn_, sortOrder_);
    if (hadFilter) emit filterChanged(filter_);
}

void EntryListModel::beginFill() {
    pending_.clear();
    filling_ = true;
}

void EntryListModel::add(const Row &row) {
    if (filling_) {
        pending_.add(row);
        return;
    }
    table_.add(row);
    const auto added = static_cast<std::uint32_t>(table_.rows.size() - 1);
    if (!matches(added)) return;
    // The newest row comes first among equals, as in the listing's order.
    auto at = shown_.begin();
    if (sortColumn_ >= 0) {
        const bool ascending = sortOrder_ == Qt::AscendingOrder;
        at = std::lower_bound(
            shown_.begin(), shown_.end(), added,
            [&](std::uint32_t a, std::uint32_t b) { return ascending ? less(a, b) : less(b, a); });
    }
    const int position = static_cast<int>(at - shown_.begin());
    beginInsertRows({}, position, position);
    shown_.insert(at, added);
    endInsertRows();
}

void EntryListModel::endFill(bool keep, bool keepOrder) {
    filling_ = false;
    if (keep) {
        if (!keepOrder) {
            clear();
        }
        beginResetModel();
        std::swap(table_, pending_);
        shown_ = viewOrder();
        endResetModel();
    }
    pending_.clear();
}
