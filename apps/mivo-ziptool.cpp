// mivo-ziptool: the zip components from the command line, for scripts, debugging and the
// benchmark.
//   mivo-ziptool list ARCHIVE
//   mivo-ziptool extract [--always-overwrite] [--skip-older] [--password P] ARCHIVE FOLDER
//                        [ENTRY...]
//   mivo-ziptool add [--no-path-names] [--no-sub-folders] [--encrypt aes|zipcrypto --password P]
//                    ARCHIVE PATH...
//   mivo-ziptool delete ARCHIVE ENTRY...
//   mivo-ziptool test [--password P] ARCHIVE
// Options may also include --verbose (status texts on standard error). On a terminal, standard
// error shows one progress line while the work goes on.
// A self-extracting program made by mivo-sfx or Mivo-ZIP is read like an archive (list,
// extract, test) without running it: its archive is decoded into a private folder of the
// temporary folder, removed when the tool ends.
// Exit status: 0 success, 1 failure (French text on standard error; for test, an entry that
// failed), 2 wrong arguments.
#include "EntryNames.h"
#include "ProcessSetup.h"
#include "ProgressLine.h"
#include "SfxDecode.h"
#include "TemporaryFiles.h"
#include "VFunzip.h"
#include "VFzip.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

using namespace zipcomponent;

namespace {

ProgressLine &line() {
    static ProgressLine progress;
    return progress;
}

// Standard error, with the progress line out of the way.
std::ostream &err() {
    line().clear();
    return std::cerr;
}

int usage() {
    std::cerr << "usage : mivo-ziptool list ARCHIVE\n"
                 "        mivo-ziptool extract [--always-overwrite] [--skip-older] [--password P] "
                 "ARCHIVE DOSSIER [ENTRÉE...]\n"
                 "        mivo-ziptool add [--no-path-names] [--no-sub-folders] "
                 "[--encrypt aes|zipcrypto --password P] ARCHIVE CHEMIN...\n"
                 "        mivo-ziptool delete ARCHIVE ENTRÉE...\n"
                 "        mivo-ziptool test [--password P] ARCHIVE\n"
                 "        (--verbose : messages d'état sur la sortie d'erreur)\n";
    return 2;
}

struct Options {
    bool verbose = false, alwaysOverwrite = false, skipOlder = false;
    bool noPathNames = false, noSubFolders = false;
    std::optional<std::string> password, encrypt;
    std::vector<std::string> operands;
};

// Options first or mixed with operands; "--" ends them.
bool parse(const std::vector<std::string> &args, Options &o) {
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (options && a == "--") {
            options = false;
        } else if (options && a.rfind("--", 0) == 0) {
            if (a == "--verbose")
                o.verbose = true;
            else if (a == "--always-overwrite")
                o.alwaysOverwrite = true;
            else if (a == "--skip-older")
                o.skipOlder = true;
            else if (a == "--no-path-names")
                o.noPathNames = true;
            else if (a == "--no-sub-folders")
                o.noSubFolders = true;
            else if ((a == "--password" || a == "--encrypt") && i + 1 < args.size())
                (a == "--password" ? o.password : o.encrypt) = args[++i];
            else
                return false;
        } else {
            o.operands.push_back(a);
        }
    }
    return true;
}

// One archive rewrite for every entry name after the archive; any failure changes nothing.
void deleteInOneBatch(VFzip &zip, const std::vector<std::string> &operands) {
    zip.BeginBatch();
    try {
        for (std::size_t i = 1; i < operands.size(); ++i)
            zip.DeleteEntry(operands[i]);
    } catch (...) {
        zip.DiscardBatch();
        throw;
    }
    zip.CommitBatch();
}

// One archive rewrite for every path after the archive. A path that cannot be added is
// reported and passed over; the others are added. True when every path was.
bool addInOneBatch(VFzip &zip, const std::vector<std::string> &operands) {
    bool all = true;
    zip.BeginBatch();
    for (std::size_t i = 1; i < operands.size(); ++i) {
        try {
            zip.AddFile(operands[i]);
        } catch (const ZipError &e) {
            err() << e.description() << '\n';
            all = false;
        }
    }
    zip.CommitBatch();
    return all;
}

// A name on one line of list's output: control characters are escaped (\t, \n, \r, \x1b;
// C1 controls as \u0085), so that a name can neither break the tab-separated format nor reach
// the terminal raw. Names never hold a backslash: the reader turns them into '/'.
std::string visible(const std::string &name) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7f) {
            out += {'\\', 'x', hex[c >> 4], hex[c & 15]};
        } else if (c == 0xc2 && i + 1 < name.size() &&
                   static_cast<unsigned char>(name[i + 1]) < 0xa0 &&
                   static_cast<unsigned char>(name[i + 1]) >= 0x80) {
            const auto d = static_cast<unsigned char>(name[++i]);
            out += {'\\', 'u', '0', '0', hex[d >> 4], hex[d & 15]};
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The components take a missing archive for a new one (nothing to list, nothing to delete); the
// tool says it is missing. A FIFO or a device is refused before anything opens it.
void requireArchiveFile(const std::string &archive) {
    struct stat st {};
    if (stat(archive.c_str(), &st) != 0) {
        if (errno == ENOENT) throw ZipError("Le fichier " + Quoted(archive) + " est introuvable.");
        return; // the reader says why
    }
    if (!S_ISREG(st.st_mode))
        throw ZipError(Quoted(archive) +
                       " n'est pas un fichier ordinaire : ce ne peut pas être une archive.");
}

// The reader's progress over the whole command, for the progress line: the entries' sizes come
// from a listing, the per-entry Progress events add up, the status texts name the entry.
struct ReadProgress {
    std::int64_t total = 0, finished = 0, current = 0;
    std::string label;
};

// `only` names the entries the command reads; all of them when empty.
void followProgress(VFunzip &unzip, ReadProgress &p, const std::vector<std::string> &only) {
    if (!line().active()) return;
    std::unordered_map<std::string, std::int64_t> sizes;
    unzip.FileInfo = [&sizes](std::int64_t size, std::int64_t, std::int64_t, int, int, int, int,
                              int, const std::string &file, const std::string &path,
                              const std::string &, std::uint32_t,
                              int) { sizes[JoinEntryName(path, file)] += size; };
    unzip.ListEntries();
    unzip.FileInfo = nullptr;
    if (only.empty())
        for (const auto &[name, size] : sizes)
            p.total += size;
    for (const std::string &name : only)
        if (const auto it = sizes.find(name); it != sizes.end()) p.total += it->second;
    unzip.Progress = [&p](std::int64_t written, std::int64_t, const std::string &) {
        if (written == 0) p.finished += p.current; // the entry before is done
        p.current = written;
        line().show(p.total > 0 ? static_cast<double>(p.finished + p.current) / p.total : 0,
                    p.label);
    };
}

// The password of an encrypted entry, typed on the terminal without echo; nullopt for none.
std::optional<std::string> askOnTerminal(const std::string &entry) {
    err() << "Mot de passe de " << Quoted(visible(entry)) << " : " << std::flush;
    termios saved{};
    const bool silent = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (silent) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string password;
    const bool read = static_cast<bool>(std::getline(std::cin, password));
    if (silent) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << '\n';
    if (!read || password.empty()) return std::nullopt;
    return password;
}

// Where a self-extracting program's archive is decoded: $TMPDIR when it names a folder by an
// absolute path, else /tmp; the folder made there is the tool's alone.
std::string temporaryParent() {
    const char *chosen = std::getenv("TMPDIR");
    struct stat st {};
    if (chosen && chosen[0] == '/' && stat(chosen, &st) == 0 && S_ISDIR(st.st_mode)) return chosen;
    return "/tmp";
}

void row(const std::string &text, std::string &line, bool last = false) {
    line += text;
    line += last ? '\n' : '\t';
}

} // namespace

int main(int argc, char **argv) {
    SetUpProcess();
    fileio::RemoveTemporariesAtEnd();
    if (argc < 2) return usage();
    const std::string command = argv[1];
    Options o;
    if (!parse(std::vector<std::string>(argv + 2, argv + argc), o)) return usage();
    ReadProgress reading;
    // A file kept by the overwrite rules (the reader's outcome Kept) is always told: nothing
    // else would say that a copy, such as the second entry of a name, was not written.
    auto status = [&](const std::string &m) {
        reading.label = m;
        if (o.verbose) err() << m << '\n';
    };
    auto kept = [&](zipcomponent::EntryOutcome what, const std::string &) {
        if (!o.verbose && what == zipcomponent::EntryOutcome::Kept) err() << reading.label << '\n';
    };
    auto writing = [&](double done) { line().show(done, "Écriture de " + o.operands[0]); };

    std::unique_ptr<sfx::DecodedArchive> decoded; // removed when main returns
    try {
        if ((command == "list" || command == "extract" || command == "test") &&
            !o.operands.empty()) {
            requireArchiveFile(o.operands[0]);
            decoded = sfx::DecodeIfProgram(o.operands[0], temporaryParent(), "mivo-ziptool-");
            if (decoded) o.operands[0] = decoded->path();
        }
        if (command == "list" && o.operands.size() == 1) {
            requireArchiveFile(o.operands[0]);
            VFunzip unzip;
            unzip.ArchivePath = o.operands[0];
            unzip.DisplayMessage = status;
            unzip.Outcome = kept;
            std::string out;
            unzip.FileInfo = [&](std::int64_t total, std::int64_t packed, std::int64_t factor,
                                 int month, int day, int year, int, int, const std::string &file,
                                 const std::string &path, const std::string &, std::uint32_t, int) {
                const char date[] = {char('0' + day / 10),
                                     char('0' + day % 10),
                                     '/',
                                     char('0' + month / 10),
                                     char('0' + month % 10),
                                     '/',
                                     char('0' + year / 1000),
                                     char('0' + year / 100 % 10),
                                     char('0' + year / 10 % 10),
                                     char('0' + year % 10),
                                     0};
                row(visible(file), out);
                row(date, out);
                row(std::to_string(total), out);
                row(std::to_string(factor) + "%", out);
                row(std::to_string(packed), out);
                row(visible(path), out);
                row(visible(JoinEntryName(path, file)), out, true);
                if (out.size() > (1 << 16)) {
                    std::fwrite(out.data(), 1, out.size(), stdout);
                    out.clear();
                }
            };
            unzip.ListEntries();
            std::fwrite(out.data(), 1, out.size(), stdout);
            return 0;
        }
        if (command == "extract" && o.operands.size() >= 2) {
            requireArchiveFile(o.operands[0]);
            VFunzip unzip;
            unzip.ArchivePath = o.operands[0];
            unzip.DestinationFolder = o.operands[1];
            unzip.AlwaysOverwrite = o.alwaysOverwrite;
            unzip.SkipOlderFiles = o.skipOlder;
            unzip.DisplayMessage = status;
            unzip.Outcome = kept;
            unzip.PasswordQuestion = [&](const std::string &) { return o.password; };
            followProgress(unzip, reading,
                           std::vector<std::string>(o.operands.begin() + 2, o.operands.end()));
            if (o.operands.size() == 2) {
                unzip.ExtractAll();
                return 0;
            }
            // As extract-all: each failure is told, the others go on, the count comes last.
            FailureTally failures;
            for (std::size_t i = 2; i < o.operands.size(); ++i) {
                try {
                    unzip.ExtractEntry(o.operands[i]);
                } catch (const ZipError &e) {
                    err() << e.description() << '\n';
                    failures.add(o.operands[i], e);
                }
            }
            failures.throwIfAny("extraits");
            return 0;
        }
        if (command == "add" && o.operands.size() >= 2) {
            VFzip zip;
            zip.ZipFileName = o.operands[0];
            zip.ZipMessage = status;
            zip.NoPathNames = o.noPathNames;
            zip.NoSubFolders = o.noSubFolders;
            zip.Progress = writing;
            if (o.encrypt) {
                if (*o.encrypt != "aes" && *o.encrypt != "zipcrypto") return usage();
                if (!o.password) return usage();
                zip.Encrypt = 1;
                zip.EncryptionMethod =
                    *o.encrypt == "aes" ? EncryptionKind::Aes256 : EncryptionKind::Traditional;
                zip.PasswordQuestion = [&] { return o.password; };
            }
            return addInOneBatch(zip, o.operands) ? 0 : 1;
        }
        if (command == "delete" && o.operands.size() >= 2) {
            requireArchiveFile(o.operands[0]);
            VFzip zip;
            zip.ZipFileName = o.operands[0];
            zip.ZipMessage = status;
            zip.Progress = writing;
            deleteInOneBatch(zip, o.operands);
            return 0;
        }
        if (command == "test" && o.operands.size() == 1) {
            requireArchiveFile(o.operands[0]);
            VFunzip unzip;
            unzip.ArchivePath = o.operands[0];
            unzip.DisplayMessage = status;
            unzip.Outcome = kept;
            unzip.PasswordQuestion = [&](const std::string &entry) -> std::optional<std::string> {
                if (o.password || !isatty(STDIN_FILENO)) return o.password;
                return askOnTerminal(entry);
            };
            followProgress(unzip, reading, {});
            const TestReport report = unzip.TestAll();
            line().clear();
            for (const std::string &text : report.lines())
                std::cout << visible(text) << '\n';
            return report.clean() ? 0 : 1;
        }
    } catch (const ZipError &e) {
        err() << e.description() << '\n';
        return 1;
    } catch (const sfx::SfxDecodeError &e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return usage();
}
