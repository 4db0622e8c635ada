#include "AutoExtract.h"

#include "AutoExtractBuild.h"
#include "CaptionFit.h"
#include "Module1.h"
#include "Prompts.h"
#include "SfxBuilder.h"
#include "Twips.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

using Module1::Shared;

namespace {

// The progress bar holds int: a stream above that is shown in KiB.
int barValue(std::uint64_t value, std::uint64_t maximum) {
    return static_cast<int>(maximum > INT32_MAX ? value >> 10 : value);
}

} // namespace

AutoExtract::AutoExtract(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AutoExtract"));
    setWindowTitle(QStringLiteral("Créer un fichier Auto-Extractible .EXE"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    createControls();
    build_ = new AutoExtractBuild(this);
    build_->status = [this](const QString &text) { status->setText(text); };
    build_->progress = [this](std::uint64_t value, std::uint64_t maximum) {
        PG->setMaximum(barValue(maximum, maximum));
        PG->setValue(barValue(value, maximum));
    };
    build_->progressShown = [this](bool shown) { PG->setVisible(shown); };
    build_->finished = [this](const sfx::BuildResult &result) { buildEnded(result); };
}

void AutoExtract::createControls() {
    auto *form = new QWidget(this);
    form->setObjectName(QStringLiteral("AutoExtractClientArea"));
    form->setFixedSize(px(6615), px(2535));
    Frame1 = new QGroupBox(form);
    place(Frame1, "Frame1", 120, 120, 6375, 2295);
    Label1 = new QLabel(QStringLiteral("Nom du fichier :"), Frame1);
    place(Label1, "Label1", 120, 300, 1455, 255);
    Text3 = new QLineEdit(Frame1);
    place(Text3, "Text3", 1620, 240, 4575, 315);
    List1 = new QListWidget(Frame1);
    place(List1, "List1", 120, 720, 6075, 255)->hide();
    Coll = new QListWidget(Frame1);
    place(Coll, "Coll", 120, 720, 6075, 255)->hide();
    status = new QLabel(QStringLiteral("Etat"), Frame1);
    place(status, "status", 120, 720, 6075, 255);
    PG = new QProgressBar(Frame1);
    place(PG, "PG", 120, 1080, 6075, 255)->hide();
    PG->setTextVisible(false);
    Command2 = new QPushButton(QStringLiteral("Appliquer..."), Frame1);
    place(Command2, "Command2", 3120, 1680, 1455, 375);
    Command1 = new QPushButton(QStringLiteral("&Annuler"), Frame1);
    place(Command1, "Command1", 4740, 1680, 1455, 375);
    connect(Command1, &QPushButton::clicked, this, &AutoExtract::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &AutoExtract::Command2_Click);
    CaptionFit::GrowToFit(form, {});
    setFixedSize(form->size());
    // The output name may be edited first; Return then builds, and closes once built.
    Command2->setDefault(true);
    Text3->setFocus();
}

void AutoExtract::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    Form_Activate();
}

void AutoExtract::Form_Activate() {
    if (activated_) return;
    activated_ = true;
    const auto &s = Shared();
    Text3->setText(QString::fromStdString(sfx::DefaultOutputPath(s.CurrentArchive.toStdString())));
    List1->addItem(s.CurrentArchive);
    Coll->addItem(s.CurrentArchiveTitle);
    Command1->setEnabled(true);
}

void AutoExtract::Command1_Click() {
    reject();
}

void AutoExtract::reject() {
    if (!build_->running()) return QDialog::reject();
    build_->stop();
    Command1->setEnabled(false); // until the build has stopped
}

void AutoExtract::Command2_Click() {
    if (built_) return accept();
    if (!build_->running()) build();
}

void AutoExtract::setBuilding(bool building) {
    Text3->setReadOnly(building);
    Command2->setEnabled(!building);
    Command1->setEnabled(true);
}

void AutoExtract::build() {
    if (Text3->text().isEmpty()) {
        prompts().message(this, Prompts::Icon::Warning, QStringLiteral("Erreur"),
                          QString::fromUtf8(sfx::kNoOutputName));
        return;
    }
    sfx::BuildRequest request;
    request.stubFolder = QFile::encodeName(Shared().AppFolder).toStdString();
    request.archivePath = QFile::encodeName(List1->item(0)->text()).toStdString();
    request.outputPath = QFile::encodeName(Text3->text()).toStdString();
    request.decimalSeparator = QString(QLocale().decimalPoint()).toStdString();
    if (sfx::HoldsEncryptedEntries(request.archivePath) &&
        !prompts().question(this, QStringLiteral("Mivo-Zip AutoExtract"),
                            QString::fromUtf8(sfx::kEncryptedEntriesWarning) +
                                QStringLiteral(" Continuer ?")))
        return;
    setBuilding(true);
    build_->start(std::move(request));
}

void AutoExtract::buildEnded(const sfx::BuildResult &result) {
    setBuilding(false);
    if (!result.ok) PG->hide(); // idle again
    if (result.cancelled) {
        // Everything the build wrote is gone: back to the state of a new dialog.
        status->setText(QStringLiteral("Etat"));
        return;
    }
    if (!result.ok) {
        prompts().message(this, Prompts::Icon::Critical, QStringLiteral("Erreur"),
                          QString::fromStdString(result.error));
        return;
    }
    built_ = true;
    Command2->setText(QStringLiteral("&Quitter"));
    Command2->setToolTip(QStringLiteral("Fermer"));
    // An empty archive gives no ratio: no summary, and "&Annuler" stays as it was.
    if (result.summary.empty()) return;
    prompts().message(this, Prompts::Icon::Information, QStringLiteral("Mivo-Zip AutoExtract"),
                      QString::fromStdString(result.summary));
    Command1->setEnabled(false);
}
