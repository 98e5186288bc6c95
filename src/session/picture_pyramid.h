#pragma once

// The pictures of a stream's records summed over blocks of 16, 32, 64 … pictures: the
// largest of each type and their quantiser. A stretch of many pictures (a pixel column of
// the graph) is read from a few blocks of the coarsest level that fits it, so that a million
// pictures cost as little as a thousand.

#include "mpeg/scan.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quantaline {

class PicturePyramid {
  public:
    // The largest picture of each type, bytes: I, P, B, then D and the forbidden codes.
    using Maxima = std::array<std::uint32_t, 4>;
    // The quantiser of a stretch: the least minimum, the largest maximum, the pictures read
    // and the sum of their averages (hundredths).
    struct Quantiser {
        std::uint8_t min = UINT8_MAX;
        std::uint8_t max = 0;
        std::uint32_t pictures = 0;
        std::uint64_t average_sum = 0;
        void add(const Quantiser& other);
    };
    static std::size_t type_slot(std::uint8_t picture_coding_type);

    // Over `result`'s records (nothing: empty); their quantiser figures count once the
    // quantiser pass has ended. `result` must outlive the pyramid or be replaced first.
    void build(const mpeg::ScanResult* result);
    // Of the pictures [begin, end).
    Maxima maxima(std::size_t begin, std::size_t end) const;
    Quantiser quantiser(std::size_t begin, std::size_t end) const;
    // The stream's largest quantiser; 0 when none was read.
    std::uint8_t quantiser_top() const { return quantiser_top_; }

  private:
    // The coarsest level whose blocks still fit twice in [begin, end); none: the records.
    std::optional<std::size_t> level_for(std::size_t begin, std::size_t end) const;

    const mpeg::ScanResult* result_ = nullptr;
    // Level k holds the blocks of (base_block << k) pictures.
    std::vector<std::vector<Maxima>> levels_;
    std::vector<std::vector<Quantiser>> quantiser_levels_;
    std::uint8_t quantiser_top_ = 0;
};

} // namespace quantaline
