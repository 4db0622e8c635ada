#include "EntryCommands.h"

#include "ArchiveSession.h"
#include "DesktopLauncher.h"
#include "DragFolder.h"
#include "EntryNames.h"
#include "Module1.h"
#include "OpenedCopies.h"
#include "VFunzip.h"
#include "VFzip.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCommands, "mivo.commands")

const QString EntryCommands::kNoArchive =
    QStringLiteral("Aucune archive n'est ouverte : ouvrez d'abord une archive.");

using Module1::Shared;

EntryCommands::EntryCommands(zipcomponent::VFunzip &reader,
                             std::function<zipcomponent::VFzip &()> writer, ArchiveSession &archive)
    : reader_(reader), writer_(std::move(writer)), archive_(archive) {}

void EntryCommands::report(const QString &text, const std::string &detail) {
    if (!detail.empty()) qCWarning(lcCommands) << text << "--" << detail.c_str();
    if (failed) failed(text);
}

namespace {

// One rewrite of the archive: the changes inside a batch, then the commit. A stop or a failure
// discards the batch, so the archive stays as it was; a failure's text goes to `failure`.
enum class Batch { Written, Stopped, Failed };
Batch runBatch(zipcomponent::VFzip &writer, const std::function<void()> &changes,
               QString &failure) {
    try {
        writer.BeginBatch();
        changes();
        writer.CommitBatch();
        return Batch::Written;
    } catch (const zipcomponent::Cancelled &) {
        writer.DiscardBatch();
        return Batch::Stopped;
    } catch (const zipcomponent::ZipError &e) {
        writer.DiscardBatch();
        qCWarning(lcCommands) << "rewriting the archive failed --" << e.detail().c_str();
        failure = QString::fromStdString(e.description());
        return Batch::Failed;
    }
}

// Writing into a folder of the program's own (opened copies, dragged rows): a file there was
// put there by an earlier copy and is replaced without a question. The user's overwrite option
// comes back on every way out.
struct OwnFolder {
    OwnFolder(zipcomponent::VFunzip &reader, const QString &folder)
        : reader(reader), always(reader.AlwaysOverwrite) {
        reader.DestinationFolder = folder.toStdString();
        reader.AlwaysOverwrite = 1;
    }
    ~OwnFolder() { reader.AlwaysOverwrite = always; }
    OwnFolder(const OwnFolder &) = delete;
    OwnFolder &operator=(const OwnFolder &) = delete;

    zipcomponent::VFunzip &reader;
    short always;
};

} // namespace

bool EntryCommands::canExtract() const {
    return archive_.state() == ArchiveState::Archive ||
           archive_.state() == ArchiveState::ArchiveAfterChange ||
           archive_.state() == ArchiveState::SelfExtracting;
}

bool EntryCommands::extract(const Extraction &request) {
    reader_.ConfirmOverwrite = request.confirmOverwrite;
    reader_.SkipOlderFiles = request.skipOlderFiles;
    reader_.AlwaysOverwrite = request.alwaysOverwrite;
    if (request.folder.isEmpty()) return false;
    if (!canExtract()) {
        report(kNoArchive, {});
        return false;
    }
    reader_.DestinationFolder = request.folder.toStdString();
    try {
        if (request.all) {
            reader_.ExtractAll();
            return true;
        }
        zipcomponent::FailureTally failures;
        for (const QString &name : request.selectedRows) {
            Shared().CurrentEntry = name;
            try {
                reader_.ExtractEntry(name.toStdString());
            } catch (const zipcomponent::Cancelled &) {
                throw;
            } catch (const zipcomponent::ZipError &e) {
                qCWarning(lcCommands) << name << "--" << e.detail().c_str();
                failures.add(name.toStdString(), e);
            }
        }
        failures.throwIfAny("extraits");
        return true;
    } catch (const zipcomponent::Cancelled &) {
        return false; // the user's stop: nothing to report
    } catch (const zipcomponent::ZipError &e) {
        report(QString::fromStdString(e.description()), e.detail());
        return false;
    }
}

bool EntryCommands::remove(const QStringList &fullNames) {
    zipcomponent::VFzip &writer = writer_();
    writer.ZipFileName = Shared().CurrentArchive.toStdString();
    archive_.setMessage(QString());
    QString failure;
    const Batch batch = runBatch(
        writer,
        [&] {
            for (const QString &name : fullNames) {
                Shared().CurrentEntry = name;
                writer.DeleteEntry(name.toStdString());
            }
        },
        failure);
    if (batch == Batch::Failed) report(failure, {});
    archive_.reload();
    return batch == Batch::Written;
}

QList<QUrl> EntryCommands::extractForDrag(const QStringList &fullNames, DragFolder &folder) {
    std::string detail;
    const QString into = folder.path(detail);
    if (into.isEmpty()) {
        report(QStringLiteral("Impossible de préparer les fichiers à déposer."), detail);
        return {};
    }
    const OwnFolder own{reader_, into};
    QList<QUrl> urls;
    try {
        for (const QString &name : fullNames) {
            reader_.ExtractEntry(name.toStdString());
            const auto relative = zipcomponent::SafeRelativePath(name.toStdString());
            urls << QUrl::fromLocalFile(into + u'/' +
                                        QString::fromStdString(relative.value_or(std::string())));
        }
    } catch (const zipcomponent::Cancelled &) {
        return {};
    } catch (const zipcomponent::ZipError &e) {
        report(QString::fromStdString(e.description()), e.detail());
        return {};
    }
    return urls;
}

void EntryCommands::open(const QStringList &fullNames) {
    if (fullNames.isEmpty()) return;
    const QString opening = QStringLiteral("Erreur lors de l'ouverture du fichier !");
    const QString refused = OpenedCopies::Prepare();
    if (!refused.isEmpty()) return report(opening + u'\r' + refused, {});
    const QString folder = OpenedCopies::Folder();
    for (const QString &name : fullNames) {
        Shared().CurrentEntry = name;
        const QString target = OpenedCopies::PathOf(name);
        if (target.isEmpty()) // a name that would leave the folder: never looked at on disk
            return report(opening, {});
        // A copy kept from an earlier opening (perhaps edited since) is what opens, unless the
        // user wants it replaced.
        const bool extract =
            !Module1::IsFile(target) ||
            (ask && ask(QStringLiteral("Fichier existant dans le dossier ") + folder,
                        QStringLiteral("Supprimer l'ancien fichier ") + name +
                            QStringLiteral(" ?\rDans le dossier ") + folder +
                            QStringLiteral(" Confirmez ?")));
        if (extract) {
            try {
                const OwnFolder own{reader_, folder};
                reader_.ExtractEntry(name.toStdString());
            } catch (const zipcomponent::Cancelled &) {
                return;
            } catch (const zipcomponent::ZipError &e) {
                qCWarning(lcCommands)
                    << "opening" << name << "--" << e.description().c_str() << e.detail().c_str();
                return report(opening, {});
            }
            if (!OpenedCopies::MakePrivate(target)) return report(opening, {});
            if (copied) copied(name, target);
        }
        // Other failures of the desktop pass silently, as a double-click on a file would.
        if (launcher().OpenWithDefault(target) == DesktopLauncher::OpenResult::NoAssociation &&
            noAssociation)
            noAssociation();
    }
}
