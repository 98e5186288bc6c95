#include "mpeg/quantiser_pass.h"

#include "io/file_reader.h"
#include "io/text.h"
#include "mpeg/codes.h"
#include "mpeg/demux.h"
#include "mpeg/start_code.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <utility>

namespace quantaline::mpeg {

Message scan_damaged_slices_message(std::uint64_t pictures, std::uint64_t first_picture,
                                    std::uint64_t first_offset, std::uint32_t slice,
                                    std::uint32_t macroblocks_read) {
    const auto number = [](std::uint64_t value) { return literal_text(std::to_string(value)); };
    if (slice == 0) {
        return Message{MessageId::damaged_slices,
                       {number(pictures), number(first_picture), number(first_offset)}};
    }
    return Message{MessageId::damaged_slices_in_slice,
                   {number(pictures), number(first_picture), number(first_offset), number(slice),
                    number(macroblocks_read)}};
}

void read_batch(QuantiserBatch& batch, const std::atomic<bool>* stop) {
    for (auto& picture : batch.pictures) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            return;
        }
        picture.figures = picture_quantiser(
            std::span<const std::uint8_t>(batch.bytes).subspan(picture.begin, picture.size),
            picture.sequence);
        picture.read = true;
    }
}

QuantiserPool::QuantiserPool(std::size_t threads, const std::atomic<bool>* stop)
    : stop_(stop), limit_(2 * threads) {
    for (std::size_t i = 0; i < threads; ++i) {
        threads_.emplace_back([this] { work(); });
    }
}

QuantiserPool::~QuantiserPool() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    for (auto& thread : threads_) {
        thread.join();
    }
}

void QuantiserPool::work() {
    while (true) {
        std::unique_ptr<QuantiserBatch> batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return closing_ || !todo_.empty(); });
            if (todo_.empty()) {
                return;
            }
            batch = std::move(todo_.front());
            todo_.pop_front();
            ++working_;
        }
        changed_.notify_all();
        read_batch(*batch, stop_);
        {
            const std::lock_guard lock(mutex_);
            done_.push_back(std::move(batch));
            --working_;
        }
        changed_.notify_all();
    }
}

void QuantiserPool::submit(std::unique_ptr<QuantiserBatch> batch) {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return todo_.size() + working_ < limit_; });
        todo_.push_back(std::move(batch));
    }
    changed_.notify_all();
}

std::vector<std::unique_ptr<QuantiserBatch>> QuantiserPool::take_done() {
    const std::lock_guard lock(mutex_);
    return std::exchange(done_, {});
}

void QuantiserPool::wait_idle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return todo_.empty() && working_ == 0; });
}

QuantiserBatches::QuantiserBatches(ScanResult& result, PictureRecords* records,
                                   const ScanControl& control)
    : result_(result), records_(records), control_(control) {
    if (control.quantiser && control.quantiser_threads > 1) {
        pool_ = std::make_unique<QuantiserPool>(control.quantiser_threads, control.stop);
    }
}

void QuantiserBatches::begin_picture(std::uint64_t index, std::uint64_t offset,
                                     const SequenceContext& sequence) {
    if (!batch_) {
        batch_ = std::make_unique<QuantiserBatch>();
    }
    picture_ = {};
    picture_.index = index;
    picture_.offset = offset;
    picture_.begin = batch_->bytes.size();
    picture_.sequence = sequence;
    open_ = true;
}

void QuantiserBatches::append(const std::uint8_t* data, std::size_t size) {
    batch_->bytes.insert(batch_->bytes.end(), data, data + size);
}

std::size_t QuantiserBatches::picture_size() const {
    return open_ ? batch_->bytes.size() - picture_.begin : 0;
}

void QuantiserBatches::end_picture(bool bytes_lost) {
    if (!open_) {
        return;
    }
    open_ = false;
    picture_.size = batch_->bytes.size() - picture_.begin;
    picture_.bytes_lost = bytes_lost;
    batch_->pictures.push_back(picture_);
    if (batch_->bytes.size() >= max_batch_bytes) {
        submit();
    }
}

void QuantiserBatches::let_go(std::uint64_t index, std::uint64_t offset) {
    if (open_) {
        open_ = false;
        batch_->bytes.resize(picture_.begin);
    }
    damaged(index, offset, 0, 0);
}

void QuantiserBatches::group_boundary() {
    if (!open_ && batch_ && batch_->bytes.size() >= batch_bytes) {
        submit();
    }
}

void QuantiserBatches::damaged(std::uint64_t index, std::uint64_t offset, std::uint32_t slice,
                               std::uint32_t macroblocks) {
    ++result_.damaged_pictures;
    if (result_.damaged_pictures == 1 || index < first_damaged_) {
        first_damaged_ = index;
        first_damaged_offset_ = offset;
        first_damaged_slice_ = slice;
        first_damaged_macroblocks_ = macroblocks;
    }
}

void QuantiserBatches::submit() {
    if (!batch_) {
        return;
    }
    if (pool_) {
        pool_->submit(std::move(batch_));
        for (const auto& done : pool_->take_done()) {
            merge(*done);
        }
    } else {
        read_batch(*batch_, control_.stop);
        merge(*batch_);
    }
    batch_.reset();
}

void QuantiserBatches::merge(const QuantiserBatch& batch) {
    for (const auto& picture : batch.pictures) {
        if (!picture.read) {
            continue;
        }
        const PictureQuantiser& q = picture.figures;
        // Macroblocks that no slice reached are damage too: a picture cut short by the end
        // of the file, slices lost.
        if (picture.bytes_lost || q.error != PictureError::none || q.damaged_slices > 0 ||
            q.missing > 0) {
            damaged(picture.index, picture.offset,
                    q.first_damage ? q.first_damage->slice_vertical_position : 0,
                    q.first_damage ? q.first_damage->macroblocks_read : 0);
        }
        if (records_ != nullptr && picture.index < records_->size()) {
            PictureQuantiserFigures& f = (*records_)[picture.index].quantiser;
            f.read = true;
            f.quantiser_min = q.quantiser_min;
            f.quantiser_max = q.quantiser_max;
            f.quantiser_average_hundredths =
                static_cast<std::uint16_t>(q.quantiser_average_hundredths());
            f.damaged_slices = static_cast<std::uint16_t>(std::min<std::uint32_t>(
                q.damaged_slices, std::numeric_limits<std::uint16_t>::max()));
            f.intra = q.intra;
            f.coded = q.coded;
            f.skipped = q.skipped;
            f.missing = q.missing;
        }
        if (q.macroblocks() == 0 || q.picture_coding_type < 1 || q.picture_coding_type > 4) {
            continue;
        }
        QuantiserTotals& totals = result_.quantiser_by_type[q.picture_coding_type - 1];
        if (totals.pictures++ == 0) {
            totals.quantiser_min = q.quantiser_min;
            totals.quantiser_max = q.quantiser_max;
        }
        totals.quantiser_min = std::min(totals.quantiser_min, q.quantiser_min);
        totals.quantiser_max = std::max(totals.quantiser_max, q.quantiser_max);
        totals.macroblocks += q.macroblocks();
        totals.quantiser_sum += q.quantiser_sum;
    }
}

void QuantiserBatches::finish() {
    end_picture(false);
    submit();
    if (pool_) {
        pool_->wait_idle();
        for (const auto& done : pool_->take_done()) {
            merge(*done);
        }
    }
    if (result_.damaged_pictures > 0) {
        result_.messages.push_back(scan_damaged_slices_message(
            result_.damaged_pictures, first_damaged_, first_damaged_offset_, first_damaged_slice_,
            first_damaged_macroblocks_));
    }
}

QuantiserPass::QuantiserPass(MatrixTracker& tracker, ScanResult& result, const ScanControl& control)
    : tracker_(tracker), result_(result), control_(control), splitter_(*this),
      batches_(result, control.picture_records ? &result.picture_records : nullptr, control) {
    result_.quantiser_read = control.quantiser;
}

void QuantiserPass::feed(const std::uint8_t* data, std::size_t size, std::uint64_t file_offset) {
    // The bytes are kept first: the splitter hands a header over only once the next start
    // code is fed, and the picture it closes must then be whole here.
    bytes_.insert(bytes_.end(), data, data + size);
    splitter_.feed(data, size, file_offset);
    const std::uint64_t end = bytes_base_ + bytes_.size();
    if (open_ && end - picture_position_ > max_picture_bytes) {
        open_ = false;
        batches_.let_go(picture_index_, picture_offset_);
    }
    // A start code not yet found lies in the last three bytes at most.
    std::uint64_t keep =
        splitter_.pending_position().value_or(end - std::min<std::uint64_t>(end, 3));
    if (open_) {
        keep = std::min(keep, picture_position_);
    }
    drop_before(keep);
}

void QuantiserPass::drop_before(std::uint64_t position) {
    if (position <= bytes_base_) {
        return;
    }
    const std::uint64_t dead = position - bytes_base_;
    // Moving what is kept costs its size: only when the dead part is the larger.
    if (dead < bytes_.size() / 2 && dead < (std::uint64_t{1} << 16)) {
        return;
    }
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(dead));
    bytes_base_ = position;
}

void QuantiserPass::discontinuity() {
    splitter_.discontinuity();
    picture_bytes_lost_ = open_;
}

void QuantiserPass::unit(const VideoUnit& unit) {
    // A read begun inside the file takes no sequence header before the one it began for.
    const bool before_resume = control_.resume && !have_sequence_ &&
                               unit.code == start_code::sequence_header &&
                               unit.offset < control_.resume->sequence_offset;
    if (control_.resume && !have_sequence_ && unit.code == start_code::sequence_header &&
        !before_resume) {
        result_.pictures = control_.resume->first_picture;
    }
    const std::uint64_t pictures_before = result_.pictures;
    // The tracker first: the record of the picture closed here exists before its figures.
    tracker_.unit(unit);
    const std::uint8_t code = unit.code;
    const bool ends_picture = code == start_code::picture || code == start_code::sequence_header ||
                              code == start_code::group || code == start_code::sequence_end;
    if (ends_picture) {
        close_picture(unit.position);
    }
    if (code == start_code::sequence_header) {
        // Its extension is read only when the header itself was.
        sequence_header_read_ = false;
    }
    if (code == start_code::sequence_header && !before_resume) {
        const auto parsed = mpeg::sequence_header(unit.bytes);
        if (parsed.ok()) {
            sequence_header_ = parsed.fields;
            sequence_ = sequence_context(sequence_header_, nullptr);
            have_sequence_ = true;
            sequence_header_read_ = true;
        }
    } else if (code == start_code::extension && unit.follows_sequence_header &&
               sequence_header_read_ &&
               extension_start_code_identifier(unit.bytes) == extension_id::sequence) {
        const auto parsed = sequence_extension(unit.bytes);
        if (parsed.ok()) {
            sequence_ = sequence_context(sequence_header_, &parsed.fields);
        }
    } else if (code == start_code::picture && result_.pictures > pictures_before &&
               have_sequence_) {
        open_ = true;
        picture_index_ = result_.pictures - 1;
        picture_offset_ = unit.offset;
        picture_position_ = unit.position;
        picture_bytes_lost_ = false;
    }
    if (code == start_code::group || code == start_code::sequence_header) {
        batches_.group_boundary();
    }
}

void QuantiserPass::close_picture(std::uint64_t end_position) {
    if (!open_) {
        return;
    }
    open_ = false;
    // The bytes are kept from the open picture's start code up to the unit that ends it.
    const bool kept = end_position >= picture_position_ && picture_position_ >= bytes_base_ &&
                      end_position <= bytes_base_ + bytes_.size();
    assert(kept);
    if (!kept) {
        return; // in a build without asserts, never a read outside the bytes
    }
    const auto picture = std::span<const std::uint8_t>(bytes_).subspan(
        static_cast<std::size_t>(picture_position_ - bytes_base_),
        static_cast<std::size_t>(end_position - picture_position_));
    if (control_.picture_bytes) {
        control_.picture_bytes(picture_index_, sequence_, picture);
    }
    if (!control_.quantiser) {
        return;
    }
    batches_.begin_picture(picture_index_, picture_offset_, sequence_);
    batches_.append(picture.data(), picture.size());
    batches_.end_picture(picture_bytes_lost_);
}

void QuantiserPass::finish() {
    splitter_.finish();
    close_picture(splitter_.position());
    tracker_.finish(splitter_.position());
    batches_.finish();
}

namespace {

// What a picture's macroblocks need of the sequence in force, from the header read's values.
SequenceContext context_of(const SequenceParameters& s) {
    SequenceContext c;
    c.mpeg2 = s.mpeg2;
    c.horizontal_size = s.horizontal_size;
    c.vertical_size = s.vertical_size;
    if (s.mpeg2) {
        c.chroma_format = s.chroma_format;
        c.progressive_sequence = s.progressive_sequence;
    }
    return c;
}

} // namespace

RecordedPass::RecordedPass(ScanResult& recorded, ScanResult& result, const ScanControl& control)
    : records_(recorded.picture_records), sequences_(recorded.sequences),
      batches_(result, &recorded.picture_records, control) {
    result.quantiser_read = true;
    next_record();
}

void RecordedPass::next_record() {
    while (next_ < records_.size()) {
        const std::uint64_t index = records_[next_].index;
        while (sequence_ + 1 < sequences_.size() &&
               sequences_[sequence_ + 1].first_picture <= index) {
            ++sequence_;
        }
        // A picture before the first sequence header has no sequence to be read with.
        if (!sequences_.empty() && sequences_[sequence_].first_picture <= index) {
            return;
        }
        ++next_;
    }
}

void RecordedPass::feed(const std::uint8_t* data, std::size_t size, std::uint64_t file_offset) {
    std::size_t at = 0;
    while (at < size && next_ < records_.size()) {
        const PictureRecord& record = records_[next_];
        if (!gathering_) {
            // The demultiplexer hands the video over in file order: the record's start code
            // lies in this piece, or further on.
            if (record.offset < file_offset + at) {
                ++next_; // never met (the file changed since): left unread
                next_record();
                continue;
            }
            if (record.offset >= file_offset + size) {
                return;
            }
            at = static_cast<std::size_t>(record.offset - file_offset);
            if (record.flags.after_group || record.flags.after_sequence_header) {
                batches_.group_boundary();
            }
            batches_.begin_picture(record.index, record.offset, context_of(sequences_[sequence_]));
            gathering_ = true;
            keep_ = true;
            remaining_ = record.bytes;
            bytes_lost_ = false;
        }
        const std::size_t step =
            static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, size - at));
        if (keep_) {
            batches_.append(data + at, step);
            if (batches_.picture_size() > QuantiserBatches::max_picture_bytes) {
                batches_.let_go(record.index, record.offset);
                keep_ = false;
            }
        }
        at += step;
        remaining_ -= step;
        if (remaining_ == 0) {
            if (keep_) {
                batches_.end_picture(bytes_lost_);
            }
            gathering_ = false;
            ++next_;
            next_record();
        }
    }
}

void RecordedPass::discontinuity() {
    bytes_lost_ = gathering_;
}

void RecordedPass::finish() {
    if (gathering_ && keep_) {
        batches_.end_picture(bytes_lost_);
    }
    gathering_ = false;
    batches_.finish();
}

std::optional<PictureReadStart> picture_read_start(const ScanResult& whole, std::uint64_t index) {
    const auto& starts = whole.sequence_starts;
    // The last sequence header whose first picture is at or before `index`.
    const auto after =
        std::upper_bound(starts.begin(), starts.end(), index,
                         [](std::uint64_t wanted, const ScanResult::SequenceStart& s) {
                             return wanted < s.first_picture;
                         });
    if (after == starts.begin()) {
        return std::nullopt;
    }
    return PictureReadStart{*std::prev(after), whole.container, whole.video.value_or(0),
                            whole.samples};
}

namespace {

// How far before a sequence header a program stream's pack header is looked for: a pack
// holds at most one PES packet of 64 KiB, and a DVD's packs are 2 KiB.
constexpr std::uint64_t pack_search_bytes = std::uint64_t{128} << 10;

// The file's bytes [offset, offset + size), fewer at its end; nothing when unreadable.
std::optional<std::vector<std::uint8_t>> read_at(FileReader& file, std::uint64_t offset,
                                                 std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::size_t have = 0;
    if (!file.seek(offset)) {
        return std::nullopt;
    }
    while (have < size) {
        const auto got = file.read(bytes.data() + have, size - have);
        if (!got) {
            return std::nullopt;
        }
        if (*got == 0) {
            break;
        }
        have += *got;
    }
    bytes.resize(have);
    return bytes;
}

// The last pack start code that begins at or before `offset`, in the bytes before it.
std::optional<std::uint64_t> pack_before(FileReader& file, std::uint64_t offset) {
    const std::uint64_t from = offset > pack_search_bytes ? offset - pack_search_bytes : 0;
    const auto bytes = read_at(file, from, static_cast<std::size_t>(offset - from) + 4);
    if (!bytes || bytes->size() < 4) {
        return std::nullopt;
    }
    const auto is_pack = [](std::uint8_t code) { return code == start_code::pack; };
    std::optional<std::uint64_t> last;
    for (std::size_t i = find_start_code(bytes->data(), 0, bytes->size(), is_pack);
         i < bytes->size() && from + i <= offset;
         i = find_start_code(bytes->data(), i + 1, bytes->size(), is_pack)) {
        last = from + i;
    }
    return last;
}

} // namespace

std::optional<ScanControl::Resume> resume_point(const std::string& path,
                                                const PictureReadStart& start) {
    if (reads_samples(start.container)) {
        // The sample the sequence header lies in.
        if (!start.samples) {
            return std::nullopt;
        }
        const auto& samples = *start.samples;
        const auto sample =
            std::partition_point(samples.begin(), samples.end(), [&](const Extent& e) {
                return e.offset + e.size <= start.sequence.offset;
            });
        if (sample == samples.end() || sample->offset > start.sequence.offset) {
            return std::nullopt;
        }
        ScanControl::Resume resume;
        resume.layout.container = start.container;
        resume.layout.samples = start.samples;
        resume.offset = sample->offset;
        resume.first_picture = start.sequence.first_picture;
        resume.sequence_offset = start.sequence.offset;
        return resume;
    }
    FileReader file(path);
    const auto probe = file.is_open() ? read_at(file, 0, layout_probe_size) : std::nullopt;
    if (!probe) {
        return std::nullopt;
    }
    ScanControl::Resume resume;
    resume.layout = detect_layout(*probe);
    resume.video_pid = start.video;
    resume.first_picture = start.sequence.first_picture;
    resume.sequence_offset = start.sequence.offset;
    const std::uint64_t header = start.sequence.offset;
    if (resume.layout.container != start.container) {
        return std::nullopt; // not the file that was read
    }
    switch (resume.layout.container) {
    case Container::elementary:
        resume.offset = header;
        return resume;
    case Container::program:
        if (const auto pack = pack_before(file, header)) {
            resume.offset = *pack;
            return resume;
        }
        return std::nullopt;
    case Container::transport:
        if (header < resume.layout.first_packet) {
            return std::nullopt;
        }
        resume.offset = header - (header - resume.layout.first_packet) % resume.layout.packet_size;
        return resume;
    case Container::mp4:
    case Container::matroska:
    case Container::avi:
    case Container::mxf:
    case Container::unknown:
        break;
    }
    return std::nullopt;
}

std::optional<PictureQuantiser>
read_picture_macroblocks(const std::string& path, std::uint64_t index, MacroblockSink& map,
                         const std::atomic<bool>* stop,
                         const std::optional<PictureReadStart>& start,
                         const std::optional<Layout>& layout) {
    std::optional<PictureQuantiser> found;
    std::atomic<bool> done{false};
    ScanControl control;
    control.layout = layout;
    if (start) {
        control.resume = resume_point(path, *start);
        if (!control.layout && start->samples) {
            control.layout = Layout{start->container, 188, 0, 0, start->samples};
        }
    }
    control.stop = &done;
    control.progress = [&](std::uint64_t) {
        if (stop != nullptr && stop->load()) {
            done.store(true);
        }
    };
    control.picture_bytes = [&](std::uint64_t picture, const SequenceContext& sequence,
                                std::span<const std::uint8_t> bytes) {
        if (stop != nullptr && stop->load()) {
            done.store(true);
            return;
        }
        if (picture == index && !found) {
            found = picture_quantiser(bytes, sequence, &map);
            done.store(true);
        }
    };
    scan_file(path, control);
    return found;
}

} // namespace quantaline::mpeg
