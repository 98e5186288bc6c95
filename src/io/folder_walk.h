#pragma once

#include <string>
#include <system_error>
#include <vector>

namespace quantaline {

// True when the name ends with one of the extensions of the open dialog (.m2v .mpg .mv2
// .mpeg .m1v .mpv .vob) or of a transport stream (.ts .m2ts .mts), in any case.
bool has_video_extension(const std::string& name);

// The video files of a folder in name order (byte order of the UTF-8 names); with
// `recursive`, each subfolder's files at the subfolder's place in that order. The paths
// are the folder as given joined with the names. `error` tells the first folder that
// could not be read; the walk goes on with the others.
std::vector<std::string> video_files_in(const std::string& folder, bool recursive,
                                        std::error_code& error);

} // namespace quantaline
