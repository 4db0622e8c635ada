// The real encryption question of the add dialog: the password typed twice, never empty, and
// the method, AES-256 unless the traditional one is chosen.
#include "DialogTestUtil.h"
#include "Prompts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class EncryptionPromptTest : public ::testing::Test {
protected:
    void SetUp() override { setPrompts(nullptr); } // Qt's dialogs
    void TearDown() override { setPrompts(nullptr); }

    // Answers the question with the two passwords, and the traditional method when asked;
    // `errors` gets the reason shown after each press on OK that the dialog refused.
    std::optional<Prompts::EncryptionChoice> answer(const QString &first, const QString &second,
                                                    bool traditional, QStringList *errors) {
        QTimer::singleShot(0, [=] {
            QWidget *dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Chiffrement des fichiers"));
            auto *aes = dialog->findChild<QRadioButton *>(QStringLiteral("Aes256"));
            EXPECT_TRUE(aes->isChecked());
            EXPECT_EQ(aes->text(), QStringLiteral("AES-256 (recommandé)"));
            if (traditional)
                dialog->findChild<QRadioButton *>(QStringLiteral("Traditional"))->setChecked(true);
            dialog->findChild<QLineEdit *>(QStringLiteral("Password"))->setText(first);
            dialog->findChild<QLineEdit *>(QStringLiteral("Confirmation"))->setText(second);
            auto *buttons = dialog->findChild<QDialogButtonBox *>();
            buttons->button(QDialogButtonBox::Ok)->click();
            if (!dialog->isVisible()) return;
            *errors << dialog->findChild<QLabel *>(QStringLiteral("Error"))->text();
            buttons->button(QDialogButtonBox::Cancel)->click();
        });
        return ::prompts().encryption(nullptr);
    }
};

TEST_F(EncryptionPromptTest, GivesThePasswordAndTheMethodChosen) {
    QStringList errors;
    auto aes =
        answer(QStringLiteral("mot de passe"), QStringLiteral("mot de passe"), false, &errors);
    ASSERT_TRUE(aes.has_value());
    EXPECT_EQ(aes->password, QStringLiteral("mot de passe"));
    EXPECT_EQ(aes->method, Prompts::Encryption::Aes256);
    auto old = answer(QStringLiteral("PASS"), QStringLiteral("PASS"), true, &errors);
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->method, Prompts::Encryption::Traditional);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(EncryptionPromptTest, RefusesAnEmptyPasswordAndTwoThatDiffer) {
    QStringList errors;
    EXPECT_FALSE(answer(QString(), QString(), false, &errors).has_value());
    EXPECT_FALSE(
        answer(QStringLiteral("PASS"), QStringLiteral("PASs"), false, &errors).has_value());
    EXPECT_EQ(errors, (QStringList{QStringLiteral("Le mot de passe ne peut pas être vide."),
                                   QStringLiteral("Les deux mots de passe sont différents.")}));
}

} // namespace
