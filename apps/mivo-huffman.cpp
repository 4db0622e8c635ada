// mivo-huffman: encodes and decodes files with the codec of the self-extracting programs.
//   mivo-huffman encode [--force-coded] INPUT OUTPUT
//   mivo-huffman decode INPUT OUTPUT
// Exit status: 0 success, 1 the decoder refused the stream, 2 wrong arguments or a file error.
#include "AtomicFile.h"
#include "HuffmanCoding.h"
#include "TemporaryFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char *kUsage = "usage : mivo-huffman encode [--force-coded] ENTRÉE SORTIE\n"
                               "        mivo-huffman decode ENTRÉE SORTIE\n";

int fileError(const std::string &what, const std::string &path) {
    std::cerr << "mivo-huffman : " << what << " « " << path << " » : " << std::strerror(errno)
              << '\n';
    return 2;
}

bool readFile(const std::string &path, std::string &data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return false;
    data = std::move(buffer).str();
    return true;
}

} // namespace

int main(int argc, char **argv) {
    fileio::RemoveTemporariesAtEnd();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || (args[0] != "encode" && args[0] != "decode")) {
        std::cerr << kUsage;
        return 2;
    }
    const bool encode = args[0] == "encode";
    bool force = false;
    std::size_t first = 1;
    if (encode && args.size() > 1 && args[1] == "--force-coded") {
        force = true;
        first = 2;
    }
    if (args.size() != first + 2) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string &inputPath = args[first];
    const std::string &outputPath = args[first + 1];

    std::string input;
    if (!readFile(inputPath, input)) return fileError("lecture impossible de", inputPath);

    std::string output;
    try {
        output = encode ? HuffmanCoding::HuffmanEncode(input, force)
                        : HuffmanCoding::HuffmanDecode(input);
    } catch (const HuffmanCoding::CodecError &e) {
        std::cerr << e.number() << ": " << e.description() << '\n';
        return 1;
    }
    // OUTPUT is either complete or untouched, and a link there keeps pointing at it.
    if (!fileio::WriteFileAtomically(outputPath, output))
        return fileError("écriture impossible de", outputPath);
    return 0;
}
