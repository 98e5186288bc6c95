#include "session/picture_pyramid.h"

#include "mpeg/codes.h"

#include <algorithm>

namespace quantaline {

namespace {

constexpr std::size_t base_block = 16;
// Below this many pictures a stretch reads the records themselves.
constexpr std::size_t direct_reach = 2 * base_block;

std::uint32_t bytes_of(const mpeg::PictureRecord& p) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(p.bytes, UINT32_MAX));
}

PicturePyramid::Quantiser quantiser_of(const mpeg::PictureQuantiserFigures& q) {
    return {q.quantiser_min, q.quantiser_max, 1, q.quantiser_average_hundredths};
}

} // namespace

std::size_t PicturePyramid::type_slot(std::uint8_t picture_coding_type) {
    return picture_coding_type >= mpeg::intra_coded &&
                   picture_coding_type <= mpeg::bidirectionally_predictive_coded
               ? picture_coding_type - 1u
               : 3u;
}

void PicturePyramid::Quantiser::add(const Quantiser& other) {
    min = std::min(min, other.min);
    max = std::max(max, other.max);
    pictures += other.pictures;
    average_sum += other.average_sum;
}

void PicturePyramid::build(const mpeg::ScanResult* result) {
    result_ = result;
    levels_.clear();
    quantiser_levels_.clear();
    quantiser_top_ = 0;
    const std::size_t n = result != nullptr ? result->picture_records.size() : 0;
    // Until the quantiser pass has ended its figures are its own (it writes them meanwhile).
    for (std::size_t i = 0; result != nullptr && result->quantiser_read && i < n; ++i) {
        const mpeg::PictureQuantiserFigures& q = result->picture_records[i].quantiser;
        if (q.read) {
            quantiser_top_ = std::max(quantiser_top_, q.quantiser_max);
        }
    }
    if (n <= direct_reach) {
        return;
    }
    std::vector<Maxima> level((n + base_block - 1) / base_block, Maxima{});
    std::vector<Quantiser> quantiser(quantiser_top_ != 0 ? level.size() : 0);
    for (std::size_t i = 0; i < n; ++i) {
        const mpeg::PictureRecord& p = result->picture_records[i];
        std::uint32_t& slot = level[i / base_block][type_slot(p.picture_coding_type)];
        slot = std::max(slot, bytes_of(p));
        if (!quantiser.empty() && p.quantiser.read) {
            quantiser[i / base_block].add(quantiser_of(p.quantiser));
        }
    }
    levels_.push_back(std::move(level));
    if (!quantiser.empty()) {
        quantiser_levels_.push_back(std::move(quantiser));
    }
    while (levels_.back().size() > 1) {
        const std::vector<Maxima>& below = levels_.back();
        std::vector<Maxima> above((below.size() + 1) / 2, Maxima{});
        for (std::size_t i = 0; i < below.size(); ++i) {
            for (std::size_t t = 0; t < 4; ++t) {
                above[i / 2][t] = std::max(above[i / 2][t], below[i][t]);
            }
        }
        levels_.push_back(std::move(above));
        if (!quantiser_levels_.empty()) {
            const std::vector<Quantiser>& q_below = quantiser_levels_.back();
            std::vector<Quantiser> q_above((q_below.size() + 1) / 2);
            for (std::size_t i = 0; i < q_below.size(); ++i) {
                q_above[i / 2].add(q_below[i]);
            }
            quantiser_levels_.push_back(std::move(q_above));
        }
    }
}

std::optional<std::size_t> PicturePyramid::level_for(std::size_t begin, std::size_t end) const {
    if (end - begin <= direct_reach || levels_.empty()) {
        return std::nullopt;
    }
    // The coarsest level whose blocks still fit twice in the stretch: a few blocks, the two
    // at the edges reaching at most one block past it.
    std::size_t level = 0;
    while (level + 1 < levels_.size() && (base_block << (level + 1)) * 2 <= end - begin) {
        ++level;
    }
    return level;
}

PicturePyramid::Maxima PicturePyramid::maxima(std::size_t begin, std::size_t end) const {
    Maxima maxima{};
    const auto level = level_for(begin, end);
    if (!level) {
        for (std::size_t i = begin; i < end; ++i) {
            const mpeg::PictureRecord& p = result_->picture_records[i];
            std::uint32_t& slot = maxima[type_slot(p.picture_coding_type)];
            slot = std::max(slot, bytes_of(p));
        }
        return maxima;
    }
    const std::size_t block = base_block << *level;
    const std::vector<Maxima>& blocks = levels_[*level];
    for (std::size_t b = begin / block; b <= (end - 1) / block && b < blocks.size(); ++b) {
        for (std::size_t t = 0; t < 4; ++t) {
            maxima[t] = std::max(maxima[t], blocks[b][t]);
        }
    }
    return maxima;
}

PicturePyramid::Quantiser PicturePyramid::quantiser(std::size_t begin, std::size_t end) const {
    Quantiser quantiser;
    const auto level = level_for(begin, end);
    if (!level || quantiser_levels_.empty()) {
        for (std::size_t i = begin; i < end; ++i) {
            const mpeg::PictureQuantiserFigures& q = result_->picture_records[i].quantiser;
            if (q.read) {
                quantiser.add(quantiser_of(q));
            }
        }
        return quantiser;
    }
    const std::size_t block = base_block << *level;
    const std::vector<Quantiser>& blocks = quantiser_levels_[*level];
    for (std::size_t b = begin / block; b <= (end - 1) / block && b < blocks.size(); ++b) {
        quantiser.add(blocks[b]);
    }
    return quantiser;
}

} // namespace quantaline
