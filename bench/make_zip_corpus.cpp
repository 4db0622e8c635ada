// Writes the benchmark's file trees, the same bytes on every run:
//   make_zip_corpus small DIR COUNT   COUNT small text files in 100 folders
//   make_zip_corpus mixed DIR MIB     about MIB MiB of text, records and incompressible files
//   make_zip_corpus extra DIR COUNT   COUNT files of 1 to 8 KiB, to add to an archive
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string text(std::mt19937_64 &rng, std::size_t size) {
    static const char *words[] = {"archive",    "fichier", "dossier", "le",          "la",
                                  "de",         "et",      "données", "compression", "Mivo",
                                  "extraction", "un",      "des"};
    std::string s;
    s.reserve(size + 16);
    while (s.size() < size) {
        s += words[rng() % 13];
        s += (rng() % 12 == 0) ? "\n" : " ";
    }
    s.resize(size);
    return s;
}

std::string noise(std::mt19937_64 &rng, std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = rng();
        std::memcpy(&s[i], &v, 8);
    }
    return s;
}

// prefix, number, suffix: built step by step (GCC 12 warns wrongly on "text" + std::string).
std::string named(const char *prefix, long n, const char *suffix = "") {
    std::string s(prefix);
    s += std::to_string(n);
    s += suffix;
    return s;
}

void write(const fs::path &path, const std::string &data) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_zip_corpus small|mixed|extra DIR N\n");
        return 2;
    }
    const std::string kind = argv[1];
    const fs::path dir = argv[2];
    const long n = std::stol(argv[3]);
    std::mt19937_64 rng(42);
    if (kind == "small") {
        for (long i = 0; i < n; ++i)
            write(dir / named("d", i % 100) / named("f", i, ".txt"),
                  text(rng, 20 + rng() % 200));
    } else if (kind == "mixed") {
        const std::size_t total = static_cast<std::size_t>(n) << 20;
        std::size_t done = 0;
        for (int i = 0; done < total; ++i) {
            const std::size_t size = (64 << 10) + rng() % (4 << 20);
            const std::string data = (i % 3 == 2) ? noise(rng, size) : text(rng, size);
            write(dir / ("part" + std::to_string(i % 7)) / ("file" + std::to_string(i) + ".dat"),
                  data);
            done += size;
        }
    } else if (kind == "extra") {
        for (long i = 0; i < n; ++i)
            write(dir / named("extra", i, ".txt"), text(rng, 1024 + rng() % 7168));
    } else {
        return 2;
    }
    return 0;
}
