#pragma once

// ffmpeg as the tests' encoder: whether it has an encoder, and a short encode of its test
// pattern with the options given (the codec, its lists, the muxer).

#include <cstdlib>
#include <string>

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

// `frames` pictures of the test pattern of `size` ("64x64"), 4:2:0 unless the options say
// otherwise, encoded with `options` into `file`.
inline bool encode_test_pattern(const std::string& options, const std::string& file,
                                const std::string& size, int frames) {
    return run_ffmpeg("-f lavfi -i testsrc=size=" + size + ":rate=25 -frames:v " +
                      std::to_string(frames) + " -pix_fmt yuv420p " + options + " '" + file + "'");
}

} // namespace quantaline::test
