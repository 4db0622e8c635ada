#include "Prompts.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QTranslator>

namespace {

// A password typed once, or twice when it must be confirmed; OK refuses an empty one and two
// that differ, with the reason under the fields.
class PasswordDialog : public QDialog {
public:
    PasswordDialog(QWidget *parent, const QString &title, const QString &label, bool confirm)
        : QDialog(parent), form_(new QFormLayout(this)) {
        setWindowTitle(title);
        first_ = passwordField(QStringLiteral("Password"));
        form_->addRow(label, first_);
        if (confirm) {
            second_ = passwordField(QStringLiteral("Confirmation"));
            form_->addRow(QStringLiteral("Confirmation :"), second_);
        }
        error_ = new QLabel(this);
        error_->setObjectName(QStringLiteral("Error"));
        form_->addRow(error_);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
        form_->addRow(buttons);
        QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] {
            if (first_->text().isEmpty())
                error_->setText(QStringLiteral("Le mot de passe ne peut pas être vide."));
            else if (second_ && second_->text() != first_->text())
                error_->setText(QStringLiteral("Les deux mots de passe sont différents."));
            else
                accept();
        });
    }
    // Another row above the error line and the buttons.
    void addChoice(const QString &label, QWidget *field) {
        form_->insertRow(form_->rowCount() - 2, label, field);
    }
    QString password() const { return first_->text(); }

private:
    QLineEdit *passwordField(const QString &name) {
        auto *field = new QLineEdit(this);
        field->setObjectName(name);
        field->setEchoMode(QLineEdit::Password);
        return field;
    }

    QFormLayout *form_;
    QLineEdit *first_ = nullptr, *second_ = nullptr;
    QLabel *error_ = nullptr;
};

// Folders, and the files that can be run. The file dialog's own permission filter cannot say
// this: with QDir::Executable alone it hides every readable entry, folders included.
class ProgramsAndFolders : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files) return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }
};

// When a question closes, the window that asked it is made active again, so that its keys
// (its accelerators, Return, Escape) work at once; some window systems leave no window active,
// or another one, after a modal window closes.
class GiveBackKeys {
public:
    explicit GiveBackKeys(QWidget *parent) : window_(parent ? parent->window() : nullptr) {}
    ~GiveBackKeys() {
        if (window_ && window_->isVisible()) window_->activateWindow();
    }
    GiveBackKeys(const GiveBackKeys &) = delete;
    GiveBackKeys &operator=(const GiveBackKeys &) = delete;

private:
    QPointer<QWidget> window_;
};

class QtPrompts final : public Prompts {
public:
    QString openFileName(QWidget *parent, const QString &title, const QString &filter) override {
        const GiveBackKeys keys(parent);
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    }
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter,
                         const QString &defaultSuffix) override {
        const GiveBackKeys keys(parent);
        QFileDialog dialog(parent, title, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().constFirst();
    }
    QString executableFileName(QWidget *parent, const QString &title) override {
        const GiveBackKeys keys(parent);
        QFileDialog dialog(parent, title, QStringLiteral("/usr/bin"));
        dialog.setOption(QFileDialog::DontUseNativeDialog); // the proxy needs Qt's own dialog
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
        dialog.setProxyModel(new ProgramsAndFolders(&dialog));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().constFirst();
    }
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) override {
        const GiveBackKeys keys(parent);
        const QColor c = QColorDialog::getColor(initial, parent);
        if (!c.isValid()) return std::nullopt;
        return c;
    }
    void message(QWidget *parent, Icon icon, const QString &title, const QString &text) override {
        const GiveBackKeys keys(parent);
        QMessageBox box(toQt(icon), title, WithLineBreaks(text), QMessageBox::Ok, parent);
        box.exec();
    }
    bool question(QWidget *parent, const QString &title, const QString &text) override {
        const GiveBackKeys keys(parent);
        QMessageBox box(QMessageBox::Question, title, WithLineBreaks(text),
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Non"));
        return box.exec() == QMessageBox::Yes;
    }
    std::optional<QString> password(QWidget *parent, const QString &title, const QString &label,
                                    bool confirm) override {
        const GiveBackKeys keys(parent);
        PasswordDialog dialog(parent, title, label, confirm);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.password();
    }
    std::optional<EncryptionChoice> encryption(QWidget *parent) override {
        const GiveBackKeys keys(parent);
        PasswordDialog dialog(parent, QStringLiteral("Chiffrement des fichiers"),
                              QStringLiteral("Mot de passe :"), true);
        auto *aes = new QRadioButton(QStringLiteral("AES-256 (recommandé)"), &dialog);
        aes->setObjectName(QStringLiteral("Aes256"));
        aes->setChecked(true);
        auto *traditional = new QRadioButton(
            QStringLiteral("Chiffrement ZIP traditionnel (anciens logiciels, peu sûr)"), &dialog);
        traditional->setObjectName(QStringLiteral("Traditional"));
        dialog.addChoice(QStringLiteral("Méthode :"), aes);
        dialog.addChoice(QString(), traditional);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return EncryptionChoice{dialog.password(), traditional->isChecked()
                                                       ? Encryption::Traditional
                                                       : Encryption::Aes256};
    }

private:
    static QMessageBox::Icon toQt(Icon icon) {
        switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
        }
        return QMessageBox::NoIcon;
    }
};

std::unique_ptr<Prompts> &current() {
    static std::unique_ptr<Prompts> instance;
    return instance;
}

} // namespace

std::optional<Prompts::EncryptionChoice> Prompts::encryption(QWidget *parent) {
    const std::optional<QString> given = password(
        parent, QStringLiteral("Chiffrement des fichiers"), QStringLiteral("Mot de passe :"), true);
    if (!given) return std::nullopt;
    return EncryptionChoice{*given, Encryption::Aes256};
}

QString WithLineBreaks(const QString &text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

bool InstallQtFrenchTranslation() {
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

Prompts &prompts() {
    if (!current()) current() = std::make_unique<QtPrompts>();
    return *current();
}

void setPrompts(std::unique_ptr<Prompts> replacement) {
    current() = std::move(replacement);
}
