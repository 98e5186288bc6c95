// The one start-code search, against a byte by byte search, at every alignment of the data
// and with every kind of near miss around the start codes.

#include "mpeg/start_code.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace quantaline {
namespace {

std::size_t byte_by_byte(const std::vector<std::uint8_t>& data, std::size_t begin, std::size_t from,
                         std::size_t size, int wanted_code) {
    for (std::size_t s = from; s + 2 < size; ++s) {
        const std::uint8_t* p = data.data() + begin + s;
        if (p[0] == 0 && p[1] == 0 && p[2] == 1) {
            if (wanted_code < 0) {
                return s;
            }
            if (s + 3 < size && p[3] == wanted_code) {
                return s;
            }
        }
    }
    return size;
}

TEST(StartCodeSearch, FindsWhatAByteByByteSearchFindsAtEveryAlignment) {
    // Runs of zeros, lone 01s, 00 00 01 whole and cut, 00 00 00 01, overlapping codes.
    const std::vector<std::vector<std::uint8_t>> pieces = {
        {0x00, 0x00, 0x01, 0xB3},
        {0x00, 0x00, 0x00, 0x01, 0xBA},
        {0x00, 0x01, 0xB3},
        {0x00, 0x00, 0x02},
        {0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0xE0},
        {0x01},
        {0x00},
    };
    // Dense, and sparse: a code every few hundred bytes, as in slices, so that the search
    // passes over many blocks before it finds one.
    for (const unsigned every : {3u, 300u}) {
        std::mt19937 random(12345);
        std::vector<std::uint8_t> data;
        while (data.size() < 4096) {
            if (random() % every == 0) {
                const auto& piece = pieces[random() % pieces.size()];
                data.insert(data.end(), piece.begin(), piece.end());
            } else {
                data.push_back(static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random()));
            }
        }
        for (std::size_t begin = 0; begin < 32; ++begin) {
            for (const std::size_t size :
                 {std::size_t{0}, std::size_t{3}, std::size_t{17}, std::size_t{18}, std::size_t{33},
                  std::size_t{66}, std::size_t{67}, std::size_t{131}, std::size_t{4000}}) {
                const std::uint8_t* base = data.data() + begin;
                for (std::size_t from = 0; from < std::min<std::size_t>(size, 40); ++from) {
                    SCOPED_TRACE(testing::Message() << begin << " " << size << " " << from);
                    ASSERT_EQ(mpeg::find_start_code_prefix(base, from, size),
                              byte_by_byte(data, begin, from, size, -1));
                    ASSERT_EQ(mpeg::find_start_code(base, from, size,
                                                    [](std::uint8_t c) { return c == 0xE0; }),
                              byte_by_byte(data, begin, from, size, 0xE0));
                }
                // Every start code in turn, as the callers walk them, none left out.
                const auto any = [](std::uint8_t) { return true; };
                std::vector<std::size_t> walked;
                for (std::size_t at = mpeg::find_start_code(base, 0, size, any); at < size;
                     at = mpeg::find_start_code(base, at + 1, size, any)) {
                    walked.push_back(at);
                }
                std::vector<std::size_t> expected;
                for (std::size_t at = 0; at + 3 < size; ++at) {
                    if (base[at] == 0 && base[at + 1] == 0 && base[at + 2] == 1) {
                        expected.push_back(at);
                    }
                }
                ASSERT_EQ(walked, expected) << begin << " " << size;
                if (size == 4000) {
                    EXPECT_GT(walked.size(), every == 3 ? 100u : 5u);
                }
            }
        }
    }
}

} // namespace
} // namespace quantaline
