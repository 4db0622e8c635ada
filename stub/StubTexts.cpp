#include "StubTexts.h"

#include <QLocale>

#include <cerrno>
#include <cmath>

namespace StubTexts {

QString GroupedNumber(std::int64_t value) {
    if (value == 0) return {};
    const QLocale locale;
    QString separator = locale.groupSeparator();
    if (locale.language() == QLocale::C || separator.isEmpty()) separator = QStringLiteral(",");
    const QString digits = QString::number(value < 0 ? -value : value);
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    return value < 0 ? u'-' + grouped : grouped;
}

QString SavingText(std::int64_t packedSize, std::int64_t unpackedSize) {
    if (unpackedSize == 0) return QStringLiteral("0%");
    const double saving =
        (1.0 - static_cast<double>(packedSize) / static_cast<double>(unpackedSize)) * 100.0;
    // nearbyint rounds in the current mode, to nearest with halves to even.
    return QString::number(static_cast<std::int64_t>(std::nearbyint(saving))) + u'%';
}

QString SystemErrorText(int number) {
    switch (number) {
    case ENOENT:
        return QStringLiteral("Le fichier ou le dossier est introuvable.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Accès refusé.");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Le disque est plein.");
    case EEXIST:
        return QStringLiteral("Le fichier existe déjà.");
    case ENOTDIR:
        return QStringLiteral("Un élément du chemin n'est pas un dossier.");
    case EISDIR:
        return QStringLiteral("C'est un dossier, pas un fichier.");
    case EROFS:
        return QStringLiteral("Le disque est en lecture seule.");
    case ENAMETOOLONG:
        return QStringLiteral("Le nom du fichier est trop long.");
    case ELOOP:
        return QStringLiteral("Le chemin passe par un lien symbolique refusé.");
    case EIO:
        return QStringLiteral("Erreur d'entrée-sortie du disque.");
    case ENOMEM:
        return QStringLiteral("Mémoire insuffisante.");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Trop de fichiers ouverts.");
    default:
        return QStringLiteral("Erreur système.");
    }
}

} // namespace StubTexts
