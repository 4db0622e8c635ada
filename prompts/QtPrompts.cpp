#include "Prompts.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace {

class QtPrompts final : public Prompts {
public:
    QString openFileName(QWidget *parent, const QString &title, const QString &filter) override {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    }
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter,
                         const QString &defaultSuffix) override {
        QFileDialog dialog(parent, title, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().constFirst();
    }
    QString executableFileName(QWidget *parent, const QString &title) override {
        QFileDialog dialog(parent, title, QStringLiteral("/usr/bin"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        // Only programs are offered; folders stay reachable.
        dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().constFirst();
    }
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) override {
        const QColor c = QColorDialog::getColor(initial, parent);
        if (!c.isValid()) return std::nullopt;
        return c;
    }
    void message(QWidget *parent, Icon icon, const QString &title, const QString &text) override {
        QMessageBox box(toQt(icon), title, WithLineBreaks(text), QMessageBox::Ok, parent);
        box.exec();
    }
    bool question(QWidget *parent, const QString &title, const QString &text) override {
        QMessageBox box(QMessageBox::Question, title, WithLineBreaks(text),
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Non"));
        return box.exec() == QMessageBox::Yes;
    }
    std::optional<QString> password(QWidget *parent, const QString &title, const QString &label,
                                    bool confirm) override {
        QDialog dialog(parent);
        dialog.setWindowTitle(title);
        auto *form = new QFormLayout(&dialog);
        auto *first = new QLineEdit(&dialog);
        first->setEchoMode(QLineEdit::Password);
        form->addRow(label, first);
        QLineEdit *second = nullptr;
        if (confirm) {
            second = new QLineEdit(&dialog);
            second->setEchoMode(QLineEdit::Password);
            form->addRow(QStringLiteral("Confirmation :"), second);
        }
        auto *error = new QLabel(&dialog);
        form->addRow(error);
        auto *buttons =
            new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
        form->addRow(buttons);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
            if (first->text().isEmpty())
                error->setText(QStringLiteral("Le mot de passe ne peut pas être vide."));
            else if (second && second->text() != first->text())
                error->setText(QStringLiteral("Les deux mots de passe sont différents."));
            else
                dialog.accept();
        });
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return first->text();
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
