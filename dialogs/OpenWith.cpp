#include "OpenWith.h"

#include "Prompts.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
constexpr int kOther = -1; // the row data of "Autre programme..."; applications have their index

// An application's icon; a blank one of the list's size when it has none, so that every name
// starts at the same place.
QIcon iconOf(const DesktopApplication &application, QSize size) {
    const QIcon icon = application.icon.startsWith(u'/') ? QIcon(application.icon)
                                                         : QIcon::fromTheme(application.icon);
    if (!icon.isNull()) return icon;
    QPixmap blank(size);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}
} // namespace

OpenWith::OpenWith(const QString &path, QWidget *parent) : QDialog(parent), file_(path) {
    setObjectName(QStringLiteral("OpenWith"));
    setWindowTitle(QStringLiteral("Ouvrir avec"));
    DesktopLauncher &desktop = launcher();
    mimeType_ = desktop.MimeType(file_);
    applications_ = desktop.Applications(mimeType_);
    const auto preferred = desktop.DefaultApplication(mimeType_);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setText(QStringLiteral("Choisissez l'application qui ouvrira le fichier\n%1")
                        .arg(QFileInfo(file_).fileName()));

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setMinimumSize(360, 220);
    const int iconSide = List1->style()->pixelMetric(QStyle::PM_ListViewIconSize, nullptr, List1);
    List1->setIconSize({iconSide, iconSide});
    int preselected = 0;
    for (std::size_t i = 0; i < applications_.size(); ++i) {
        auto *item = new QListWidgetItem(iconOf(applications_[i], List1->iconSize()),
                                         applications_[i].name, List1);
        item->setData(Qt::UserRole, static_cast<int>(i));
        item->setToolTip(applications_[i].exec);
        if (preferred && preferred->id == applications_[i].id) preselected = static_cast<int>(i);
    }
    auto *other = new QListWidgetItem(iconOf({}, List1->iconSize()),
                                      QString::fromLatin1(kOtherProgram), List1);
    other->setData(Qt::UserRole, kOther);

    Check1 = new QCheckBox(
        QStringLiteral("Toujours utiliser cette application pour ce type de fichier"), this);
    Check1->setObjectName(QStringLiteral("Check1"));

    Command1 = new QPushButton(QStringLiteral("&Ouvrir"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("&Annuler"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(List1);
    layout->addWidget(Check1);
    layout->addLayout(buttons);

    connect(List1, &QListWidget::currentRowChanged, this, [this] { List1_CurrentChanged(); });
    // A double-click opens; Return reaches "&Ouvrir" as the default button, once (the list's
    // own activation would have opened, then let the dialog press "&Ouvrir" a second time).
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { Command1_Click(); });
    connect(Command1, &QPushButton::clicked, this, &OpenWith::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    List1->setCurrentRow(preselected);
    List1_CurrentChanged();
}

void OpenWith::List1_CurrentChanged() {
    const QListWidgetItem *item = List1->currentItem();
    Command1->setEnabled(item != nullptr);
    // A program picked by hand has no .desktop file that could become the type's default.
    Check1->setEnabled(item && item->data(Qt::UserRole).toInt() != kOther);
}

void OpenWith::Command1_Click() {
    const QListWidgetItem *item = List1->currentItem();
    if (!item) return;
    const int index = item->data(Qt::UserRole).toInt();
    if (index == kOther) {
        openWithOtherProgram();
        return;
    }
    const DesktopApplication &app = applications_[static_cast<std::size_t>(index)];
    if (!launcher().Launch(app, file_)) {
        failed(QStringLiteral("Impossible de lancer « %1 ».").arg(app.name));
        return;
    }
    if (Check1->isChecked() && !launcher().SetDefault(app, mimeType_))
        prompts().message(this, Prompts::Icon::Warning, QStringLiteral("Erreur"),
                          QStringLiteral("« %1 » n'a pas pu devenir l'application par défaut "
                                         "des fichiers de type %2.")
                              .arg(app.name, mimeType_));
    accept();
}

void OpenWith::openWithOtherProgram() {
    const QString program =
        prompts().executableFileName(this, QStringLiteral("Choisir un programme"));
    if (program.isEmpty()) return; // cancelled: back to the list
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        failed(QStringLiteral("« %1 » n'est pas un programme.").arg(program));
        return;
    }
    if (!launcher().StartProgram(info.absoluteFilePath(), {file_})) {
        failed(QStringLiteral("Impossible de lancer « %1 ».").arg(program));
        return;
    }
    accept();
}

void OpenWith::failed(const QString &text) {
    prompts().message(this, Prompts::Icon::Critical, QStringLiteral("Erreur"), text);
}
