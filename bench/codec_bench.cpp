// Throughput of the codec on 32 MiB corpora, fast paths beside the literal reference.
// Encode rates are MB/s of input, decode rates MB/s of output (bytes_per_second).
//   build/release/bin/codec_bench
#include "HuffmanCoding.h"
#include "HuffmanLiteral.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kSize = 32u << 20;

// English-like text: words drawn with a Zipf-like law, sentences and line breaks.
std::string MakeText(std::uint64_t seed, std::size_t size) {
    static const std::vector<std::string> words = {
        "the",    "of",      "and",         "to",     "a",      "in",    "is",    "it",    "you",
        "that",   "he",      "was",         "for",    "on",     "are",   "with",  "as",    "I",
        "his",    "they",    "be",          "at",     "one",    "have",  "this",  "from",  "or",
        "had",    "by",      "hot",         "word",   "but",    "what",  "some",  "we",    "can",
        "out",    "other",   "were",        "all",    "there",  "when",  "up",    "use",   "your",
        "how",    "said",    "an",          "each",   "she",    "which", "do",    "their", "time",
        "if",     "will",    "way",         "about",  "many",   "then",  "them",  "write", "would",
        "like",   "so",      "these",       "her",    "long",   "make",  "thing", "see",   "him",
        "two",    "has",     "look",        "more",   "day",    "could", "go",    "come",  "did",
        "number", "sound",   "no",          "most",   "people", "my",    "over",  "know",  "water",
        "than",   "call",    "first",       "who",    "may",    "down",  "side",  "been",  "now",
        "find",   "archive", "compression", "folder", "window"};
    std::vector<double> weights;
    for (std::size_t i = 0; i < words.size(); ++i)
        weights.push_back(1.0 / (i + 1));
    std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
    std::mt19937_64 rng(seed);
    std::string s;
    s.reserve(size + 32);
    int inSentence = 0;
    while (s.size() < size) {
        std::string w = words[pick(rng)];
        if (inSentence == 0) w[0] = static_cast<char>(std::toupper(w[0]));
        s += w;
        if (++inSentence > 6 && rng() % 8 == 0) {
            s += (rng() % 5 == 0) ? ".\n" : ". ";
            inSentence = 0;
        } else {
            s += (rng() % 15 == 0) ? ", " : " ";
        }
    }
    s.resize(size);
    return s;
}

// The bytes of deflated members as a ZIP archive holds them: text, records and some noise.
std::string MakeZipBytes(std::size_t size) {
    std::string out;
    std::mt19937_64 rng(2);
    for (std::uint64_t member = 0; out.size() < size; ++member) {
        std::string plain = MakeText(100 + member, 1 << 20);
        for (std::size_t i = 0; i < plain.size(); i += 4096 + rng() % 8192)
            for (int k = 0; k < 64 && i + k < plain.size(); ++k)
                plain[i + k] = static_cast<char>(rng());
        uLongf length = compressBound(plain.size());
        std::string packed(length, '\0');
        if (compress2(reinterpret_cast<Bytef *>(packed.data()), &length,
                      reinterpret_cast<const Bytef *>(plain.data()), plain.size(), 6) != Z_OK)
            throw std::runtime_error("deflate failed");
        out.append(packed.data(), length);
    }
    out.resize(size);
    return out;
}

std::string MakeRandom(std::size_t size) {
    std::mt19937_64 rng(3);
    std::string s(size, '\0');
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = rng();
        std::memcpy(&s[i], &v, 8);
    }
    return s;
}

// Each corpus is made on first use, so that a run filtered to one of them (under callgrind, say)
// does not pay for the others.
const std::string &Corpus(int which) {
    switch (which) {
    case 0: {
        static const std::string text = MakeText(1, kSize);
        return text;
    }
    case 1: {
        static const std::string zip = MakeZipBytes(kSize);
        return zip;
    }
    case 2: {
        static const std::string random = MakeRandom(kSize);
        return random;
    }
    default: {
        static const std::string repeated(kSize, 'x');
        return repeated;
    }
    }
}

const char *kNames[] = {"text", "zip", "random", "repeated"};

void Label(benchmark::State &state) {
    const bool force = state.range(1) != 0;
    state.SetLabel(std::string(kNames[state.range(0)]) + (force ? "/coded" : "/default"));
}

void Encode(benchmark::State &state) {
    const std::string &input = Corpus(static_cast<int>(state.range(0)));
    const bool force = state.range(1) != 0;
    std::size_t outSize = 0;
    for (auto _ : state) {
        const std::string out = HuffmanCoding::HuffmanEncode(input, force);
        outSize = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    state.counters["ratio"] = static_cast<double>(outSize) / input.size();
    Label(state);
}

void Decode(benchmark::State &state) {
    const std::string &input = Corpus(static_cast<int>(state.range(0)));
    const std::string coded = HuffmanCoding::HuffmanEncode(input, state.range(1) != 0);
    for (auto _ : state) {
        const std::string out = HuffmanCoding::HuffmanDecode(coded);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    Label(state);
}

void LiteralEncode(benchmark::State &state) {
    const std::string &input = Corpus(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const std::string out = HuffmanCoding::Literal::Encode(input, true);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    Label(state);
}

void LiteralDecode(benchmark::State &state) {
    const std::string &input = Corpus(static_cast<int>(state.range(0)));
    const std::string coded = HuffmanCoding::HuffmanEncode(input, true);
    for (auto _ : state) {
        const std::string out = HuffmanCoding::Literal::Decode(coded);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    Label(state);
}

void MemoryCopy(benchmark::State &state) {
    const std::string &input = Corpus(2);
    for (auto _ : state) {
        std::string copy;
        copy.reserve(input.size() + 4);
        copy.append("HE0\r", 4);
        copy.append(input);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void AllCorpora(benchmark::internal::Benchmark *b) {
    for (int c = 0; c < 4; ++c)
        for (int force = 0; force < 2; ++force)
            b->Args({c, force});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

void TextAndZip(benchmark::internal::Benchmark *b) {
    b->Args({0, 1})->Args({1, 1})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
}

BENCHMARK(Encode)->Apply(AllCorpora);
BENCHMARK(Decode)->Apply(AllCorpora);
BENCHMARK(LiteralEncode)->Apply(TextAndZip);
BENCHMARK(LiteralDecode)->Apply(TextAndZip);
BENCHMARK(MemoryCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
