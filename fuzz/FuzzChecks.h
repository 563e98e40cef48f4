#pragma once

#include <cstddef>
#include <cstdint>

namespace thornvale::fuzz {

// Each check takes arbitrary bytes, drives one part of the core with them and aborts, with a
// line on stderr, when the part breaks a promise. The fuzzers call them; so do the ordinary
// tests, over the seed corpus and every input that ever failed.
void checkCodec(const std::uint8_t* data, std::size_t size);

}  // namespace thornvale::fuzz
