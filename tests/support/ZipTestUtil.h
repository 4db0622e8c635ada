#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace ziptest {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string path(const std::string &relative) const { return (root / relative).string(); }

    fs::path root;
};

void WriteFile(const std::string &path, const std::string &data, std::time_t mtime = 0);
std::string ReadFile(const std::string &path);
std::time_t MTime(const std::string &path);
// Runs a shell command (for the peers: zip, unzip, 7z); returns its exit status.
int Shell(const std::string &command);
// Starts a program (argv[0] its path) with `signal`'s default action, whatever the test's own
// handling, so that the program installs its own; its pid, or -1.
int SpawnWithDefaultSignal(const std::vector<std::string> &argv, int signal);
std::string Quote(const std::string &path);

// An entry for a hand-made archive written straight through libzip, names unchecked.
struct RawEntry {
    std::string name; // bytes as stored
    std::string data;
    bool symlink = false;
    bool store = false; // no compression, so damage can be aimed at the data
};
void MakeRawArchive(const std::string &path, const std::vector<RawEntry> &entries);

} // namespace ziptest

namespace ziptest {

// Replaces every occurrence of `from` by `to` (same length) in the file's bytes, to damage or
// rename by hand what libzip would refuse to write; returns how many were replaced.
int PatchBytes(const std::string &path, const std::string &from, const std::string &to);
// Sets flag bits (0x0800: name in UTF-8; 0x0041: strong encryption) in the local and central
// headers of the entry stored as `rawName`.
void SetHeaderFlags(const std::string &archive, const std::string &rawName, std::uint16_t bits);
// The names of every file or link below `folder` whose name starts with ".mivo-".
std::vector<std::string> LeftoverTemporaries(const std::string &folder);

} // namespace ziptest
