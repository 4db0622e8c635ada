// What the stub reads of its own file: the header's payload names and lengths, and where the
// payloads start. Names are bare file names (anything else makes the file invalid).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct StubListing {
    std::vector<std::string> names;
    std::vector<std::uint64_t> lengths;
};

// The header of the file at `path`, or nullopt when it has none or an invalid one.
std::optional<StubListing> ReadStubListing(const std::string &path);

// The position of the first payload byte (just after the data marker line), read from the
// start of the open file; nullopt when the file ends first.
std::optional<std::uint64_t> FindPayloadStart(int fd);
