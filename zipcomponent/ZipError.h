// The one failure type of the zip components: a French text for the user and the technical
// detail (libzip's message, errno) for whoever debugs.
#pragma once

#include <stdexcept>
#include <string>

namespace zipcomponent {

class ZipError : public std::runtime_error {
public:
    ZipError(std::string description, std::string detail = {})
        : std::runtime_error(description), description_(std::move(description)),
          detail_(std::move(detail)) {}

    const std::string &description() const { return description_; }
    const std::string &detail() const { return detail_; }

private:
    std::string description_;
    std::string detail_;
};

// The user stopped the work. A state, not a failure to report: whatever was being written is
// gone and the archive is as it was.
class Cancelled : public ZipError {
public:
    explicit Cancelled(std::string text = "Opération annulée.") : ZipError(std::move(text)) {}
};

// A name as the French texts quote it: « name ».
inline std::string Quoted(const std::string &name) {
    return "« " + name + " »";
}

// What a failure's subject is, so that its text names it as what it is.
enum class Subject { Archive, Entry, File };

// French text for a libzip error code; `subject` names the archive, entry or file concerned.
std::string FrenchZipMessage(int zipErrorCode, const std::string &subject,
                             Subject kind = Subject::Archive);

// The failures of a command that goes on after one: one ZipError at the end, with the count
// and the first reason. `what` completes "N fichiers n'ont pas pu être ...".
class FailureTally {
public:
    void add(const ZipError &error) {
        if (count_++ == 0) first_ = error.description();
    }
    void throwIfAny(const char *what) const {
        if (count_ == 1) throw ZipError(first_);
        if (count_ > 1)
            throw ZipError(std::to_string(count_) + " fichiers n'ont pas pu être " + what + ". " +
                           first_);
    }

private:
    std::size_t count_ = 0;
    std::string first_;
};

} // namespace zipcomponent
