#include "EntryCommands.h"

#include "ArchiveSession.h"
#include "DesktopLauncher.h"
#include "Module1.h"
#include "VFunzip.h"
#include "VFzip.h"

#include <QFile>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCommands, "mivo.commands")

using Module1::Shared;

EntryCommands::EntryCommands(zipcomponent::VFunzip &reader,
                             std::function<zipcomponent::VFzip &()> writer, ArchiveSession &archive)
    : reader_(reader), writer_(std::move(writer)), archive_(archive) {}

void EntryCommands::report(const QString &text, const std::string &detail) {
    if (!detail.empty()) qCWarning(lcCommands) << text << "--" << detail.c_str();
    if (failed) failed(text);
}

bool EntryCommands::extract(const Extraction &request) {
    reader_.ConfirmOverwrite = request.confirmOverwrite;
    reader_.SkipOlderFiles = request.skipOlderFiles;
    reader_.AlwaysOverwrite = request.alwaysOverwrite;
    if (request.folder.isEmpty()) return false;
    // Open cancelled leaves extraction enabled with no archive shown.
    if (archive_.state() != ArchiveState::Archive &&
        archive_.state() != ArchiveState::ArchiveAfterChange) {
        report(QStringLiteral("Aucune archive n'est ouverte : ouvrez d'abord une archive."), {});
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
                failures.add(e);
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
    bool done = true;
    try {
        writer.BeginBatch();
        for (const QString &name : fullNames) {
            Shared().CurrentEntry = name;
            writer.DeleteEntry(name.toStdString());
        }
        writer.CommitBatch();
    } catch (const zipcomponent::Cancelled &) {
        writer.DiscardBatch();
        done = false;
    } catch (const zipcomponent::ZipError &e) {
        writer.DiscardBatch();
        report(QString::fromStdString(e.description()), e.detail());
        done = false;
    }
    archive_.reload();
    return done;
}

void EntryCommands::open(const QStringList &fullNames) {
    for (const QString &name : fullNames) {
        Shared().CurrentEntry = name;
        const QString temp = Module1::TempFolder();
        reader_.DestinationFolder = temp.toStdString();
        const QString target = Module1::WithTrailingBackslash(temp) + name;
        try {
            if (Module1::IsFile(target) && ask &&
                ask(QStringLiteral("Fichier existant dans le dossier ") + temp,
                    QStringLiteral("Supprimer l'ancien fichier ") + name +
                        QStringLiteral(" ?\rDans le dossier ") + temp +
                        QStringLiteral(" Confirmez ?")) &&
                !QFile::remove(target))
                throw zipcomponent::ZipError("Suppression impossible de " +
                                             zipcomponent::Quoted(target.toStdString()));
            reader_.ExtractEntry(name.toStdString());
        } catch (const zipcomponent::Cancelled &) {
            return;
        } catch (const zipcomponent::ZipError &e) {
            qCWarning(lcCommands) << "opening" << name << "--" << e.description().c_str()
                                  << e.detail().c_str();
            if (failed) failed(QStringLiteral("Erreur lors de l'ouverture du fichier !"));
            return;
        }
        // Other failures of the desktop pass silently, as a double-click on a file would.
        if (launcher().OpenWithDefault(target) == DesktopLauncher::OpenResult::NoAssociation &&
            noAssociation)
            noAssociation();
    }
}
