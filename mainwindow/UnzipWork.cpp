// The main window's side of its components: the reader's events and questions, the rows
// chosen in the list, and long work kept live while a component runs.
#include "EntryListView.h"
#include "LongWork.h"
#include "Prompts.h"
#include "Unzip.h"
#include "VFzip.h"

#include <QApplication>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolBar>

#include <algorithm>
#include <climits>

void Unzip::connectReader() {
    VFunzip1.FileInfo = [this](std::int64_t TotalSize, std::int64_t FileSize, std::int64_t Factor,
                               int Month, int Day, int Year, int Hour, int Minute,
                               const std::string &Filename, const std::string &Path,
                               const std::string &, std::uint32_t, int) {
        VFunzip1_FileInfo(TotalSize, FileSize, Factor, Month, Day, Year, Hour, Minute, Filename,
                          Path);
    };
    VFunzip1.Progress = [this](std::int64_t written, std::int64_t original, const std::string &) {
        VFunzip1_Progress(written, original);
    };
    VFunzip1.DisplayMessage = [this](const std::string &m) { VFunzip1_DisplayMessage(m); };
    VFunzip1.CancelRequested = [this] { return work_ && work_->cancelled(); };
    VFunzip1.ConfirmReplace = [this](const std::string &path) {
        return prompts().question(
            this, QStringLiteral("Confirmation"),
            QStringLiteral("Le fichier « %1 » existe déjà.\rVoulez-vous le remplacer ?")
                .arg(QString::fromStdString(path)));
    };
    VFunzip1.PasswordQuestion = [this](const std::string &entry) -> std::optional<std::string> {
        const auto p = prompts().password(
            this, QStringLiteral("Mot de passe"),
            QStringLiteral("Mot de passe de « %1 » :").arg(QString::fromStdString(entry)), false);
        if (!p) return std::nullopt;
        return p->toStdString();
    };
}

void Unzip::connectEditedCopies() {
    commands_.copied = [this](const QString &name, const QString &copy) {
        edited_.opened(name, copy);
    };
    session_.left = [this] { edited_.stop(); };
    edited_.ask = [this](const QString &text) {
        return prompts().question(this, QStringLiteral("Confirmation"), text);
    };
    edited_.failed = commands_.failed;
    edited_.runLong = [this](const std::function<void()> &work) {
        runLong(QStringLiteral("Mise à jour de l'archive..."), work);
    };
    edited_.busy = [this] { return work_ != nullptr || QApplication::activeModalWidget(); };
}

void Unzip::VFunzip1_FileInfo(std::int64_t TotalSize, std::int64_t FileSize, std::int64_t Factor,
                              int Month, int Day, int Year, int Hour, int Minute,
                              const std::string &Filename, const std::string &Path) {
    EntryListModel::Row row;
    row.file = Filename;
    row.path = Path;
    row.totalSize = TotalSize;
    row.fileSize = FileSize;
    row.factor = Factor;
    row.day = Day;
    row.month = Month;
    row.year = Year;
    row.hour = Hour; // the date column shows the day; the sort goes by the minute
    row.minute = Minute;
    model_->add(row);
}

void Unzip::VFunzip1_Progress(std::int64_t WrittenLength, std::int64_t OriginalLength) {
    if (WrittenLength == 0) {
        progressScale_ = OriginalLength > INT_MAX ? OriginalLength / INT_MAX + 1 : 1;
        // A maximum of 0 would make the bar an endless busy animation: an empty entry keeps
        // it still and empty.
        ProgressBar1->setMaximum(std::max(1, static_cast<int>(OriginalLength / progressScale_)));
    }
    ProgressBar1->setValue(static_cast<int>(WrittenLength / progressScale_));
    if (work_) work_->tick(WrittenLength, OriginalLength);
}

void Unzip::VFunzip1_DisplayMessage(const std::string &Message) {
    session_.setMessage(QString::fromStdString(Message));
}

QStringList Unzip::selectedEntries() const {
    QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList names;
    for (const QModelIndex &row : rows)
        names << model_->fullNameAt(row.row());
    return names;
}

void Unzip::runLong(const QString &text, const std::function<void()> &work) {
    LongWork longWork(this, text);
    auto hookWriter = [&](bool on) {
        VFzip1.Progress = nullptr;
        VFzip1.CancelRequested = nullptr;
        if (!on) return;
        VFzip1.Progress = [&](double done) {
            longWork.tick(static_cast<std::int64_t>(done * 1000), 1000);
        };
        VFzip1.CancelRequested = [&] { return longWork.cancelled(); };
    };
    const std::initializer_list<QWidget *> commands{menuBar(), Toolbar1, ListView1};
    struct Restore { // on every way out, before longWork goes
        std::function<void()> undo;
        ~Restore() { undo(); }
    } restore{[&] {
        for (QWidget *w : commands)
            w->setEnabled(true);
        hookWriter(false);
        work_ = nullptr;
        ProgressBar1->setValue(0);
    }};
    work_ = &longWork;
    hookWriter(true);
    for (QWidget *w : commands)
        w->setEnabled(false);
    work();
}
