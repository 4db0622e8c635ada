// The one failure type of the zip components: a French text for the user and the technical
// detail (libzip's message, errno) for whoever debugs.
#pragma once

#include "SystemErrorText.h"

#include <stdexcept>
#include <string>
#include <vector>

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

// The zip components' texts quote names as every other French text does.
using fileio::Quoted;

// What a failure's subject is, so that its text names it as what it is.
enum class Subject { Archive, Entry, File };

// French text for a libzip error code; `subject` names the archive, entry or file concerned.
std::string FrenchZipMessage(int zipErrorCode, const std::string &subject,
                             Subject kind = Subject::Archive);

// The failures of a command that goes on after one: one ZipError at the end. A single failure
// keeps its own text; several give the count, the names of the first ten (and how many more),
// then the first reason. `what` completes "N fichiers n'ont pas pu être ...".
class FailureTally {
public:
    static constexpr std::size_t kNamed = 10;

    void add(const std::string &name, const ZipError &error) {
        if (names_.size() < kNamed) names_.push_back(name);
        add(error);
    }
    // A failure whose subject has no name to give; it counts among the others.
    void add(const ZipError &error) {
        if (count_++ == 0) first_ = error.description();
    }
    void throwIfAny(const char *what) const {
        if (count_ == 1) throw ZipError(first_);
        if (count_ == 0) return;
        std::string text = std::to_string(count_) + " fichiers n'ont pas pu être " + what;
        for (std::size_t i = 0; i < names_.size(); ++i)
            text += (i == 0 ? " : " : ", ") + Quoted(names_[i]);
        if (const std::size_t others = count_ - names_.size(); others > 0 && !names_.empty())
            text += " et " + std::to_string(others) + (others == 1 ? " autre" : " autres");
        throw ZipError(text + ". " + first_);
    }

private:
    std::size_t count_ = 0;
    std::vector<std::string> names_; // the first kNamed given
    std::string first_;
};

} // namespace zipcomponent
