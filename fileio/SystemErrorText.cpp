#include "SystemErrorText.h"

#include <cerrno>

namespace fileio {

std::string FrenchErrorText(int error) {
    switch (error) {
    case ENOENT:
        return "Fichier ou dossier introuvable";
    case EACCES:
        return "Permission refusée";
    case EPERM:
        return "Opération non permise";
    case ENOSPC:
        return "Plus d'espace disponible sur le disque";
    case EDQUOT:
        return "Quota de disque dépassé";
    case EEXIST:
        return "Le fichier existe déjà";
    case ENOTDIR:
        return "Un élément du chemin n'est pas un dossier";
    case EISDIR:
        return "C'est un dossier";
    case EROFS:
        return "Système de fichiers en lecture seule";
    case ELOOP:
        return "Lien symbolique refusé";
    case ENAMETOOLONG:
        return "Nom de fichier trop long";
    case EIO:
        return "Erreur d'entrée/sortie";
    case EFBIG:
        return "Fichier trop volumineux";
    case ENOMEM:
        return "Mémoire insuffisante";
    case EMFILE:
    case ENFILE:
        return "Trop de fichiers ouverts";
    case EBUSY:
        return "Ressource occupée";
    case ETXTBSY:
        return "Fichier texte occupé";
    case EXDEV:
        return "Déplacement impossible entre deux systèmes de fichiers";
    default:
        return "Erreur système " + std::to_string(error);
    }
}

} // namespace fileio
