#include "EntryListModel.h"

namespace {
QString visible(const std::string &name) {
    QString text = QString::fromStdString(name);
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
    }
    return text;
}
} // namespace

QString EntryListModel::Row::cell(int column) const {
    switch (column) {
    case 0:
        return visible(file);
    case 1:
        return QStringLiteral("%1/%2/%3")
            .arg(day, 2, 10, QLatin1Char('0'))
            .arg(month, 2, 10, QLatin1Char('0'))
            .arg(year);
    case 2:
        return QString::number(totalSize);
    case 3:
        return QString::number(factor) + u'%';
    case 4:
        return QString::number(fileSize);
    case 5:
        return visible(path);
    default:
        return {};
    }
}

QString EntryListModel::Row::fullName() const {
    return path.empty() ? QString::fromStdString(file) : QString::fromStdString(path + '/' + file);
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
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int EntryListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant EntryListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole) return rowAt(index.row()).cell(index.column());
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(ColumnAlignment(index.column()));
    if (role == Qt::UserRole) return rowAt(index.row()).fullName();
    return {};
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
    if (role == Qt::DisplayRole) return Captions()[section];
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(ColumnAlignment(section));
    return {};
}

void EntryListModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void EntryListModel::beginFill() {
    pending_.clear();
    filling_ = true;
}

void EntryListModel::add(Row row) {
    if (filling_) {
        pending_.push_back(std::move(row));
        return;
    }
    // Outside a fill the new row goes on top of the view.
    beginInsertRows({}, 0, 0);
    rows_.push_back(std::move(row));
    endInsertRows();
}

void EntryListModel::endFill(bool keep) {
    filling_ = false;
    if (keep) {
        beginResetModel();
        rows_.swap(pending_);
        endResetModel();
    }
    pending_.clear();
    pending_.shrink_to_fit();
}
