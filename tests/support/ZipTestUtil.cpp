#include "ZipTestUtil.h"

#include <zip.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <utime.h>

namespace ziptest {

void TempDirTest::SetUp() {
    // A fresh, unique folder: two builds of the same tests may run at once.
    std::string pattern = (fs::temp_directory_path() / "mivo-zip-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    root = pattern;
}

void TempDirTest::TearDown() {
    fs::remove_all(root);
}

void WriteFile(const std::string &path, const std::string &data, std::time_t mtime) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << data;
    if (mtime != 0) {
        const struct utimbuf times { mtime, mtime };
        utime(path.c_str(), &times);
    }
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::time_t MTime(const std::string &path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mtime;
}

int Shell(const std::string &command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string &path) {
    return "'" + path + "'";
}

void MakeRawArchive(const std::string &path, const std::vector<RawEntry> &entries) {
    int error = 0;
    zip_t *z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const RawEntry &e : entries) {
        zip_source_t *src = zip_source_buffer(z, e.data.data(), e.data.size(), 0);
        const zip_int64_t index = zip_file_add(z, e.name.c_str(), src, ZIP_FL_ENC_CP437);
        ASSERT_GE(index, 0) << zip_strerror(z);
        if (e.symlink)
            zip_file_set_external_attributes(z, index, 0, ZIP_OPSYS_UNIX,
                                             static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
        if (e.store) zip_set_file_compression(z, index, ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

} // namespace ziptest

namespace ziptest {

int PatchBytes(const std::string &path, const std::string &from, const std::string &to) {
    std::string bytes = ReadFile(path);
    int count = 0;
    for (std::size_t at = bytes.find(from); at != std::string::npos;
         at = bytes.find(from, at + to.size())) {
        bytes.replace(at, from.size(), to);
        ++count;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return count;
}

void SetHeaderFlags(const std::string &archive, const std::string &rawName, std::uint16_t bits) {
    std::string bytes = ReadFile(archive);
    // Local header: name at 30, flags at 6; central header: name at 46, flags at 8.
    for (const auto &[signature, nameAt, flagsAt] :
         {std::tuple{std::string("PK\x03\x04"), 30u, 6u}, {std::string("PK\x01\x02"), 46u, 8u}})
        for (std::size_t at = bytes.find(signature); at != std::string::npos;
             at = bytes.find(signature, at + 4))
            if (bytes.compare(at + nameAt, rawName.size(), rawName) == 0) {
                bytes[at + flagsAt] = static_cast<char>(bytes[at + flagsAt] | (bits & 0xFF));
                bytes[at + flagsAt + 1] = static_cast<char>(bytes[at + flagsAt + 1] | bits >> 8);
            }
    std::ofstream(archive, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> LeftoverTemporaries(const std::string &folder) {
    std::vector<std::string> found;
    for (const auto &e : fs::recursive_directory_iterator(folder))
        if (e.path().filename().string().rfind(".mivo-", 0) == 0) found.push_back(e.path());
    return found;
}

int SpawnWithDefaultSignal(const std::vector<std::string> &argv, int signal) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, args[0], nullptr, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return failed ? -1 : pid;
}

} // namespace ziptest
