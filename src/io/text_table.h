#pragma once

// The translations of translations/*.ts, as the build turns them into a table
// (cmake/ts_table.py). Each language's entries are sorted by context, then source, byte
// by byte, for a binary search.

#include <cstddef>

namespace quantaline::text_table {

struct Entry {
    const char* context;
    const char* source;
    const char* translation;
};

struct LanguageTable {
    const char* code; // "en", from the file name quantaline_en.ts
    const Entry* entries;
    std::size_t size;
};

extern const LanguageTable languages[];
extern const std::size_t language_count;

} // namespace quantaline::text_table
