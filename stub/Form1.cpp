#include "Form1.h"

#include "CaptionFit.h"
#include "Twips.h"

#include "Prompts.h"
#include "SfxLayout.h"
#include "StubExtraction.h"
#include "StubTexts.h"
#include "SystemErrorText.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include <cerrno>
#include <new>

namespace {

constexpr int kWidth = 6135, kHeightOne = 2055, kHeightSeveral = 3390;

const QString kInvalid = QStringLiteral("Ce n'est pas un fichier Auto-Extractible valide !");

} // namespace

Form1::Form1(QString ownFile, std::function<void(int status)> endProgram)
    : ownFile_(std::move(ownFile)), endProgram_(std::move(endProgram)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    createControls();
    VBZip.OnArchiveUpdate = [this] { VBZip_OnArchiveUpdate(); };
    VBZip.PasswordQuestion = [this](const std::string &entry, const std::string &refused) {
        return VBZip_PasswordQuestion(entry, refused);
    };
}

void Form1::createControls() {
    setFixedSize(px(kWidth), px(kHeightOne));
    Label1 = new QLabel(
        QStringLiteral("Choix du dossier ou vous désirez extraire le fichier. Puis <Extraire>"),
        this);
    Label1->setTextFormat(Qt::PlainText);
    place(Label1, "Label1", 120, 120, 5895, 255);
    Text1 = new QLineEdit(this);
    place(Text1, "Text1", 120, 420, 5895, 315);
    Image1 = new QLabel(this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(24, 24));
    place(Image1, "Image1", 120, 840, 375, 375);
    Command1 = new QPushButton(QStringLiteral("Extraire"), this);
    place(Command1, "Command1", 3120, 840, 1335, 375);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    Command2 = new QPushButton(QStringLiteral("Annuler"), this);
    place(Command2, "Command2", 4680, 840, 1335, 375);
    Command2->setAutoDefault(false);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    List1 = new QListWidget(this);
    place(List1, "List1", 120, 1320, 5895, 1335)->hide();
    Coll = new QListWidget(this);
    place(Coll, "Coll", 120, 1320, 5895, 1335)->hide();
    Status = new QLabel(QStringLiteral("Etat"), this);
    place(Status, "Status", 120, 1320, 5895, 255);
    PG = new QProgressBar(this);
    place(PG, "PG", 120, 1680, 5895, 255)->hide();
    PG->setTextVisible(false);
    lvwArchive = new QTreeWidget(this);
    place(lvwArchive, "lvwArchive", 120, 1320, 5895, 1335)->hide();
    lvwArchive->setRootIsDecorated(false);
    lvwArchive->setHeaderLabels({QStringLiteral("Fichier"), QStringLiteral("Date/Heure"),
                                 QStringLiteral("Taille"), QStringLiteral("Compression"),
                                 QStringLiteral("Taux"), QStringLiteral("Chemin")});
    CaptionFit::GrowToFit(this, {lvwArchive, List1, Coll});
}

bool Form1::Form_Load() {
    sfx::SfxHeader header;
    try {
        header = sfx::ReadSfxListing(QFile::encodeName(ownFile_).toStdString());
    } catch (const sfx::SfxLayoutError &) {
        prompts().message(this, Prompts::Icon::Critical, QStringLiteral("ERREUR"), kInvalid);
        end(1);
        return false;
    }
    for (std::size_t i = 0; i < header.fileNames.size(); ++i) {
        List1->addItem(QString::fromStdString(header.fileNames[i]));
        Coll->addItem(QString::number(header.payloadLengths[i]));
    }
    const QString prefix = QString::fromLatin1(kTitle) + QStringLiteral(" - ");
    if (List1->count() > 1) {
        setFixedSize(width(), px(kHeightSeveral)); // as wide as its captions made it
        List1->show();
        Status->move(px(120), px(2760));
        PG->move(px(120), px(3060));
        setWindowTitle(prefix + QString::number(List1->count()) +
                       QStringLiteral(" fichier(s) trouvé(s)"));
    } else {
        setWindowTitle(prefix + List1->item(0)->text());
    }
    proposedFolder_ = StubExtraction::ProposedFolder(ownFile_);
    Text1->setText(proposedFolder_);
    Text1->setFocus();
    return true;
}

void Form1::Command1_Click() {
    Command1->setEnabled(false);
    Command2->setEnabled(false);
    std::vector<std::string> names;
    std::vector<std::uint64_t> lengths;
    for (int i = 0; i < List1->count(); ++i) {
        names.push_back(List1->item(i)->text().toStdString());
        lengths.push_back(Coll->item(i)->text().toULongLong());
    }
    StubExtraction::Hooks hooks;
    hooks.status = [this](const QString &text) { Status->setText(text); };
    hooks.showProgress = [this](bool shown) { PG->setVisible(shown); };
    hooks.progress = [this](std::int64_t value, std::int64_t maximum) {
        // A progress bar holds int: longer payloads are shown in KiB.
        const int shift = maximum > INT32_MAX ? 10 : 0;
        PG->setMaximum(static_cast<int>(maximum >> shift));
        PG->setValue(static_cast<int>(value >> shift));
    };
    hooks.repaint = [this] { repaint(); };
    // The proposed folder, even retyped, is not the user's own choice of a place.
    const auto folder = QDir::cleanPath(Text1->text()) == QDir::cleanPath(proposedFolder_)
                            ? StubExtraction::Folder::Proposed
                            : StubExtraction::Folder::Typed;
    StubExtraction extraction(ownFile_, Text1->text(), names, lengths, hooks, folder);
    try {
        extraction.run();
        archiveFileToExtract_ = extraction.archiveFileToExtract();
        unpackFolder_ = extraction.unpackFolder();
        DecompressionZIP();
        return end(0);
    } catch (const StubFailure &f) {
        failed(f.noData, f.number, f.description);
    } catch (const zipcomponent::Cancelled &) {
        // No password: the archive stays, for the user to open with the password later.
        prompts().message(this, Prompts::Icon::Warning, QStringLiteral("Extraction interrompue"),
                          QStringLiteral("L'archive « ") +
                              QFileInfo(archiveFileToExtract_).fileName() +
                              QStringLiteral(" » a été conservée : elle contient des fichiers "
                                             "chiffrés."));
        Status->setText(QStringLiteral("Extraction abandonée!"));
        return end(1);
    } catch (const zipcomponent::ZipError &e) {
        // The archive's entries: not a system error of ours, no number of their own.
        failed(false, 0, QString::fromStdString(e.description()));
    } catch (const std::bad_alloc &) {
        // A payload is held whole in memory, with its decoded form.
        failed(false, ENOMEM, QString::fromStdString(fileio::FrenchErrorText(ENOMEM)));
    }
    extraction.removeWrittenArchive();
    end(1);
}

void Form1::failed(bool noData, std::int64_t number, const QString &description) {
    const QString text = noData ? QStringLiteral("Pas de données trouvées dans ce fichier !")
                                : QStringLiteral("Erreur rencontrée lors de la décompression !") +
                                      QStringLiteral("\r\n") + QString::number(number) +
                                      QStringLiteral(": ") + description;
    prompts().message(this, Prompts::Icon::Critical, QStringLiteral("ERREUR"), text);
    Status->setText(QStringLiteral("Extraction abandonée!"));
}

void Form1::DecompressionZIP() {
    VBZip.ArchiveFile(QFile::encodeName(archiveFileToExtract_).toStdString());
    VBZip_OnArchiveUpdate();
    std::vector<std::string> names;
    for (int i = 0; i < lvwArchive->topLevelItemCount(); ++i) {
        const std::int64_t position =
            lvwArchive->topLevelItem(i)->data(0, Qt::UserRole).toLongLong();
        names.push_back(VBZip.EntryFileOf(VBZip.EntryAt(position).FullName));
    }
    VBZip.ExtractSelected(QFile::encodeName(unpackFolder_).toStdString(), names, false, false, 0);
    prompts().message(this, Prompts::Icon::Information, QStringLiteral("Terminé"),
                      QStringLiteral("Extraction terminée avec succès !"));
}

void Form1::VBZip_OnArchiveUpdate() {
    setWindowTitle(QStringLiteral("Mivo-ZipPRO - ") + QString::fromStdString(VBZip.ArchiveFile()));
    lvwArchive->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    const std::int64_t n = VBZip.EntryCount();
    for (std::int64_t i = 1; i <= n; ++i) {
        const auto e = VBZip.EntryAt(i);
        if (e.FullName.empty()) continue;
        auto *item = new QTreeWidgetItem(lvwArchive);
        item->setText(0, QString::fromStdString(VBZip.EntryFileOf(e.FullName)));
        item->setIcon(0, icon);
        item->setText(1, QString::fromStdString(e.DateTime));
        item->setText(2, StubTexts::GroupedNumber(e.UnpackedSize));
        item->setText(3, StubTexts::GroupedNumber(e.PackedSize));
        item->setText(4, StubTexts::SavingText(e.PackedSize, e.UnpackedSize));
        item->setText(5, QString::fromStdString(VBZip.EntryFolderOf(e.FullName)));
        item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(i));
    }
}

std::optional<std::string> Form1::VBZip_PasswordQuestion(const std::string &entry,
                                                         const std::string &refused) {
    QString label = QStringLiteral("Mot de passe de « %1 » :").arg(QString::fromStdString(entry));
    if (!refused.empty()) label = QString::fromStdString(refused) + u'\n' + label;
    const auto p = prompts().password(this, QStringLiteral("Mot de passe"), label, false);
    if (!p) return std::nullopt;
    return p->toStdString();
}

void Form1::Command2_Click() {
    end(0);
}

void Form1::reject() {
    if (Command2->isEnabled()) Command2_Click();
}

void Form1::closeEvent(QCloseEvent *event) {
    if (ended_)
        event->accept();
    else
        event->ignore();
}

void Form1::end(int status) {
    if (ended_) return;
    ended_ = true;
    if (endProgram_) endProgram_(status);
}
