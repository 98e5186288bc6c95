#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quantaline {

// The code point that stands for a malformed UTF-8 sequence.
inline constexpr char32_t replacement_character = 0xFFFD;

// Decodes one UTF-8 sequence at `text[i]` and advances `i` past it. A malformed sequence
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short) gives
// U+FFFD for its first byte alone, and `i` moves on by that one byte.
char32_t next_code_point(std::string_view text, std::size_t& i);

// Whether the bytes at `text[i]` begin a well-formed sequence (a U+FFFD written as such
// is well-formed).
bool valid_sequence_at(std::string_view text, std::size_t i);

// Appends the UTF-8 form of a code point of the Basic Multilingual Plane or beyond.
void append_utf8(std::string& out, char32_t c);

} // namespace quantaline
