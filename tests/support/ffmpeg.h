#pragma once

// ffmpeg as the tests' encoder: whether it has an encoder, and a short encode of its test
// pattern with the options given (the codec, its lists, the muxer).
//
// The encodes of the test pattern are made once per test run and shared: the first test to
// ask for one writes it into the run's folder of encodes (QUANTALINE_ENCODE_CACHE, emptied
// by `make test` before the tests start), every later one, in this process or another,
// copies it from there. An encode is known by its options, size, pictures and file name.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#ifdef QUANTALINE_ENCODE_CACHE
#include <unistd.h>
#endif

namespace quantaline::test {

inline bool has_ffmpeg_encoder(const std::string& name) {
    // The whole list read (no grep -q): ffmpeg is not cut short by a closed pipe.
    const std::string command =
        "ffmpeg -hide_banner -encoders 2>/dev/null | grep ' " + name + " ' >/dev/null";
    return std::system(command.c_str()) == 0;
}

// ffmpeg with `arguments`, quiet, overwriting: true when it succeeded.
inline bool run_ffmpeg(const std::string& arguments) {
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -y " + arguments + " 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

// ffmpeg with `arguments` then the output `file`, or a copy of the same encode made
// earlier in the test run.
inline bool run_ffmpeg_once(const std::string& arguments, const std::string& file) {
    namespace fs = std::filesystem;
#ifdef QUANTALINE_ENCODE_CACHE
    const fs::path name = fs::path(file).filename();
    std::uint64_t key = 14695981039346656037ull; // FNV-1a over the encode's description
    for (const char c : arguments + '\n' + name.string()) {
        key = (key ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    const fs::path cache = fs::path(QUANTALINE_ENCODE_CACHE) / std::to_string(key);
    std::error_code error;
    if (!fs::exists(cache / name, error)) {
        // Made beside, then renamed into place whole: a test that asks at the same moment
        // sees either nothing or the finished file.
        const fs::path work = cache.string() + ".tmp" + std::to_string(::getpid());
        fs::create_directories(work, error);
        if (!run_ffmpeg(arguments + " '" + (work / name).string() + "'")) {
            fs::remove_all(work, error);
            return false;
        }
        fs::rename(work, cache, error);
        fs::remove_all(work, error); // another test's copy came first
    }
    return fs::copy_file(cache / name, file, fs::copy_options::overwrite_existing, error);
#else
    return run_ffmpeg(arguments + " '" + file + "'");
#endif
}

// `frames` pictures of the test pattern of `size` ("64x64"), 4:2:0 unless the options say
// otherwise, encoded with `options` into `file`.
inline bool encode_test_pattern(const std::string& options, const std::string& file,
                                const std::string& size, int frames) {
    return run_ffmpeg_once("-f lavfi -i testsrc=size=" + size + ":rate=25 -frames:v " +
                               std::to_string(frames) + " -pix_fmt yuv420p " + options,
                           file);
}

} // namespace quantaline::test
