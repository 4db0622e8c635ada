#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace testutil {

// "48 45 30 0D" -> the four bytes.
std::string Hex(std::string_view spaced);
std::string ToHex(std::string_view bytes);

// What decoding yields: the data, or "error: <description>".
std::string DecodeOutcome(std::string (*decode)(std::string_view), std::string_view stream);

std::string RandomBytes(std::mt19937_64 &rng, std::size_t n, int alphabet = 256);
// Byte v drawn with probability proportional to 2^-(v / spread): a strongly skewed source.
std::string SkewedBytes(std::mt19937_64 &rng, std::size_t n, double spread);
// Counts that follow the Fibonacci numbers: the deepest tree a given length allows.
std::string FibonacciBytes(int symbols);

} // namespace testutil
