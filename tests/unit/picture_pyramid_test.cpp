// The graph's pyramid against the records read one by one: exact over stretches of whole
// blocks, and never outside what one block either side holds over any other stretch.

#include "session/picture_pyramid.h"

#include <gtest/gtest.h>
#include <random>

namespace quantaline {
namespace {

PicturePyramid::Maxima direct_maxima(const mpeg::ScanResult& r, std::size_t begin,
                                     std::size_t end) {
    PicturePyramid::Maxima m{};
    for (std::size_t i = begin; i < std::min(end, r.picture_records.size()); ++i) {
        const auto& p = r.picture_records[i];
        auto& slot = m[PicturePyramid::type_slot(p.picture_coding_type)];
        slot = std::max(slot, static_cast<std::uint32_t>(p.bytes));
    }
    return m;
}

TEST(PicturePyramid, StretchesReadFromBlocksAsFromTheRecords) {
    for (const std::size_t n : {std::size_t{20}, std::size_t{1000}, std::size_t{65537}}) {
        SCOPED_TRACE(n);
        std::mt19937 random(static_cast<unsigned>(n));
        mpeg::ScanResult r;
        r.quantiser_read = true;
        std::uint8_t top = 0;
        for (std::size_t i = 0; i < n; ++i) {
            mpeg::PictureRecord p;
            p.picture_coding_type = static_cast<std::uint8_t>(1 + random() % 4);
            p.bytes = random() % 200000;
            p.quantiser.read = i % 7 != 3;
            p.quantiser.quantiser_min = static_cast<std::uint8_t>(1 + random() % 10);
            p.quantiser.quantiser_max =
                static_cast<std::uint8_t>(p.quantiser.quantiser_min + random() % 20);
            p.quantiser.quantiser_average_hundredths = static_cast<std::uint16_t>(
                std::uint64_t{p.quantiser.quantiser_min} * 100 + random() % 500);
            top = p.quantiser.read ? std::max(top, p.quantiser.quantiser_max) : top;
            r.picture_records.push_back(p);
        }
        PicturePyramid pyramid;
        pyramid.build(&r);
        EXPECT_EQ(pyramid.quantiser_top(), top);
        // Whole blocks of 16 << k pictures: exact, maxima and quantiser alike.
        for (std::size_t block = 16; block * 2 <= n; block *= 2) {
            for (std::size_t begin = 0; begin + 2 * block <= n; begin += block * 3) {
                const std::size_t end = begin + 2 * block;
                ASSERT_EQ(pyramid.maxima(begin, end), direct_maxima(r, begin, end)) << begin;
                PicturePyramid::Quantiser q;
                for (std::size_t i = begin; i < end; ++i) {
                    const auto& f = r.picture_records[i].quantiser;
                    if (f.read) {
                        q.add(
                            {f.quantiser_min, f.quantiser_max, 1, f.quantiser_average_hundredths});
                    }
                }
                const auto got = pyramid.quantiser(begin, end);
                ASSERT_EQ(std::tie(got.min, got.max, got.pictures, got.average_sum),
                          std::tie(q.min, q.max, q.pictures, q.average_sum))
                    << begin;
            }
        }
        // Any stretch: at least its own pictures' maxima, at most those one block out.
        for (int k = 0; k < 200; ++k) {
            const std::size_t begin = random() % n;
            const std::size_t end = begin + 1 + random() % (n - begin);
            const auto got = pyramid.maxima(begin, end);
            const auto inner = direct_maxima(r, begin, end);
            const std::size_t reach = (end - begin) / 2;
            const auto outer = direct_maxima(r, begin > reach ? begin - reach : 0, end + reach);
            for (std::size_t t = 0; t < 4; ++t) {
                ASSERT_GE(got[t], inner[t]) << begin << " " << end;
                ASSERT_LE(got[t], outer[t]) << begin << " " << end;
            }
        }
    }
}

} // namespace
} // namespace quantaline
