#pragma once

// What scan and pictures share: folders walked for video files, the files read on the
// core's runner, each result printed in argument order as soon as it is ready, a
// progress line on a terminal, Ctrl-C.

#include "analysis/codec_scan.h"
#include "commands.h"
#include "io/message.h"
#include "mpeg/scan.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quantaline::cli {

inline constexpr int exit_interrupted = 130;

// Output written in pieces: a file with thousands of changes or a million pictures never
// sits whole in memory.
class Writer {
  public:
    Writer() = default;
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer() { flush(); }

    std::string text;
    void flush_if_large() {
        if (text.size() >= 1 << 16) {
            flush();
        }
    }
    void flush() {
        std::fwrite(text.data(), 1, text.size(), stdout);
        text.clear();
    }
};

// The files of the arguments: a FILE as given, a FOLDER's video files (its subfolders'
// too when `recursive`). A folder that cannot be read or holds no video file is said on
// standard error and sets `status` to exit_message.
std::vector<std::string> files_of_arguments(const std::vector<std::string>& inputs, bool recursive,
                                            int& status);

// Why FILE's pictures are not read (an MPEG-4 Part 2, H.264 or HEVC video), or none.
std::optional<Message> pictures_not_read(const std::string& file);

// Scans the files on all cores and hands each result to `print`, in the order of the
// files, `index` counting from 0. A result with messages makes the status exit_message;
// Ctrl-C stops the scans, prints the results of those under way, and gives
// exit_interrupted. `status` is the status so far. `quantiser` reads every picture's
// macroblocks too. Files of the other codecs (MPEG-4 Part 2, H.264, HEVC) are read by
// scan_codec_file and handed to `print_codec` in their place; without it they are said on
// standard error (exit_message) and not read.
using ScanPrint =
    std::function<void(std::size_t index, const std::string& file, const mpeg::ScanResult& result)>;
using CodecScanPrint =
    std::function<void(std::size_t index, const std::string& file, const CodecScan& result)>;
int run_scans(const std::vector<std::string>& files, bool picture_records, bool quantiser,
              const ScanPrint& print, int status, const CodecScanPrint& print_codec = {});

} // namespace quantaline::cli
