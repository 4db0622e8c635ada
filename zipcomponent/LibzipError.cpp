#include "LibzipError.h"

#include <cerrno>

namespace zipcomponent {

namespace {

// Texts that depend on what failed: an entry is never called an archive, a file being added
// never blamed on the archive.
std::string entryMessage(int code, const std::string &s) {
    switch (code) {
    case ZIP_ER_NOENT:
        return "L'entrée " + s + " est introuvable dans l'archive.";
    case ZIP_ER_NOZIP:
        return "L'entrée " + s + " est endommagée (en-tête local invalide).";
    case ZIP_ER_INCONS: // reading an entry, libzip says so when the data and sizes disagree
    case ZIP_ER_EOF:
        return "L'entrée " + s + " est endommagée (taille inattendue).";
    case ZIP_ER_INVAL: // a local header whose lengths run past the data
        return "L'entrée " + s + " est endommagée.";
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        return "Lecture impossible de l'entrée " + s + ".";
    default:
        return "Erreur sur l'entrée " + s + ".";
    }
}

std::string fileMessage(int code, const std::string &s) {
    switch (code) {
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
        return "Lecture impossible de " + s + ".";
    default:
        return "Erreur sur le fichier " + s + ".";
    }
}

std::string archiveMessage(int code, const std::string &s) {
    switch (code) {
    case ZIP_ER_NOZIP:
        return s + " n'est pas une archive ZIP.";
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
        return "L'archive " + s + " est endommagée ou incomplète.";
    case ZIP_ER_MULTIDISK:
        return "L'archive " + s + " est répartie sur plusieurs disques.";
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        return "Lecture impossible de " + s + ".";
    case ZIP_ER_WRITE:
    case ZIP_ER_TMPOPEN:
    case ZIP_ER_RENAME:
    case ZIP_ER_CLOSE:
    case ZIP_ER_REMOVE:
        return "Écriture impossible de l'archive " + s +
               " (disque plein ou dossier protégé en écriture ?).";
    case ZIP_ER_RDONLY:
        return "L'archive " + s + " est en lecture seule.";
    default:
        return "Erreur sur l'archive " + s + ".";
    }
}

} // namespace

std::string FrenchZipMessage(int code, const std::string &subject, Subject kind) {
    const std::string s = Quoted(subject);
    // Texts that read the same for every kind of subject.
    switch (code) {
    case ZIP_ER_NOENT:
        if (kind != Subject::Entry) return "Le fichier " + s + " est introuvable.";
        break;
    case ZIP_ER_CRC:
        return "Les données de " + s + " sont endommagées (erreur CRC).";
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return "Les données compressées de " + s + " sont endommagées.";
    case ZIP_ER_WRONGPASSWD:
        return "Mot de passe incorrect pour " + s + ".";
    case ZIP_ER_NOPASSWD:
        return "Un mot de passe est nécessaire pour " + s + ".";
    case ZIP_ER_COMPNOTSUPP:
        return "La méthode de compression de " + s + " n'est pas prise en charge.";
    case ZIP_ER_ENCRNOTSUPP:
        return "Le chiffrement de " + s + " n'est pas pris en charge.";
    case ZIP_ER_MEMORY:
        return "Mémoire insuffisante pour traiter " + s + ".";
    default:
        break;
    }
    switch (kind) {
    case Subject::Entry:
        return entryMessage(code, s);
    case Subject::File:
        return fileMessage(code, s);
    case Subject::Archive:
        break;
    }
    return archiveMessage(code, s);
}

ZipError LibzipError(const zip_error_t *error, const std::string &subject, Subject kind) {
    // zip_error_strerror only reads the record, but takes it non-const.
    auto *record = const_cast<zip_error_t *>(error);
    // Whatever step of the writing met it (a write, the seek that patches a header, the new
    // file's creation), a full disk is what the user must hear of.
    const int system =
        zip_error_system_type(record) == ZIP_ET_SYS ? zip_error_code_system(record) : 0;
    if (kind == Subject::Archive && (system == ENOSPC || system == EDQUOT))
        return ZipError((system == ENOSPC ? "Le disque est plein : l'archive "
                                          : "Le quota de disque est dépassé : l'archive ") +
                            Quoted(subject) + " n'a pas pu être écrite.",
                        zip_error_strerror(record));
    return ZipError(FrenchZipMessage(zip_error_code_zip(record), subject, kind),
                    zip_error_strerror(record));
}

ZipError LibzipError(zip_t *archive, const std::string &subject, Subject kind) {
    const ZipError failure = LibzipError(zip_get_error(archive), subject, kind);
    zip_error_clear(archive);
    return failure;
}

ZipError LibzipError(zip_file_t *file, const std::string &subject, Subject kind) {
    return LibzipError(zip_file_get_error(file), subject, kind);
}

} // namespace zipcomponent
