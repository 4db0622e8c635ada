#include "AddOperation.h"

#include "LongWork.h"
#include "VFzip.h"

#include <QFile>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcAdd, "mivo.add")

AddOperation::AddOperation(QWidget *parent, LongWork *work) : parent_(parent), work_(work) {}

AddOperation::Result AddOperation::run(const Request &request) {
    zipcomponent::VFzip writer;
    writer.ZipFileName = request.archive.toStdString();
    writer.NoSubFolders = request.noSubFolders;
    writer.NoPathNames = request.noPathNames;
    writer.Encrypt = request.encrypt;
    if (!request.entryName.isEmpty()) writer.EntryName = request.entryName.toStdString();

    Result result;
    // The writer's message says what happened in words for the user; its outcome, told right
    // after, says whether that is a file left out.
    std::string said;
    writer.ZipMessage = [&](const std::string &message) {
        said = message;
        if (note) note(QString::fromStdString(message));
    };
    writer.Outcome = [&](zipcomponent::EntryOutcome what, const std::string &) {
        if (what != zipcomponent::EntryOutcome::Added)
            result.problems << QString::fromStdString(said);
    };

    enum class Password { NotAsked, Given, Cancelled, Empty };
    Password password = Password::NotAsked;
    writer.PasswordQuestion = [&]() -> std::optional<std::string> {
        const std::optional<Prompts::EncryptionChoice> choice =
            request.encryption ? request.encryption : prompts().encryption(parent_);
        password = !choice                      ? Password::Cancelled
                   : choice->password.isEmpty() ? Password::Empty
                                                : Password::Given;
        if (password == Password::Cancelled) return std::nullopt;
        if (password == Password::Empty) return std::string(); // the writer refuses it
        writer.EncryptionMethod = choice->method == Prompts::Encryption::Traditional
                                      ? zipcomponent::EncryptionKind::Traditional
                                      : zipcomponent::EncryptionKind::Aes256;
        return choice->password.toStdString();
    };
    if (work_) {
        writer.Progress = [this](double done) {
            work_->tick(static_cast<std::int64_t>(done * 1000), 1000);
        };
        writer.CancelRequested = [this] { return work_->cancelled(); };
    }

    writer.BeginBatch();
    for (const QString &path : request.paths) {
        try {
            writer.AddFile(QFile::encodeName(path).toStdString());
        } catch (const zipcomponent::ZipError &e) {
            qCWarning(lcAdd) << path << "--" << e.detail().c_str();
            if (password == Password::Cancelled || password == Password::Empty) {
                writer.DiscardBatch();
                // A cancel is the user's choice, not a failure to report.
                result.declined = password == Password::Cancelled;
                result.problems.clear();
                if (!result.declined) result.problems << QString::fromStdString(e.description());
                return result;
            }
            result.problems << QString::fromStdString(e.description());
        }
    }
    try {
        writer.CommitBatch();
        result.committed = true;
    } catch (const zipcomponent::Cancelled &) {
        result.declined = true; // the user's stop: nothing written, nothing to report
    } catch (const zipcomponent::ZipError &e) {
        qCWarning(lcAdd) << "rewriting the archive failed --" << e.detail().c_str();
        result.problems.prepend(QString::fromStdString(e.description()));
    }
    result.problems.removeDuplicates(); // a folder's failure comes as a message and as its reason
    return result;
}
