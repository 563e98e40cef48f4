#pragma once

#include <cstddef>
#include <cstdint>

namespace thornvale::fuzz {

// Each check takes arbitrary bytes, drives one part of the core with them and aborts, with a
// line on stderr, when the part breaks a promise. The fuzzers call them; so do the ordinary
// tests, over the seed corpus and every input that ever failed.
void checkCodec(const std::uint8_t* data, std::size_t size);
void checkDump(const std::uint8_t* data, std::size_t size);
void checkPatch(const std::uint8_t* data, std::size_t size);
void checkXliff(const std::uint8_t* data, std::size_t size);
void checkPo(const std::uint8_t* data, std::size_t size);
void checkDelimited(const std::uint8_t* data, std::size_t size);
void checkWorkbook(const std::uint8_t* data, std::size_t size);
void checkTable(const std::uint8_t* data, std::size_t size);
// Any file, as check --image and import --dry-run of the sample image see it: one verdict, the
// same problems in the same order.
void checkDoorsAgree(const std::uint8_t* data, std::size_t size);

// Reports a broken promise on stderr and aborts.
[[noreturn]] void broken(const char* promise);
inline void expect(bool holds, const char* promise) {
  if (!holds) broken(promise);
}

}  // namespace thornvale::fuzz
