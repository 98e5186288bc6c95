#pragma once

namespace quantaline::app_info {

inline constexpr const char* title = "Quantaline";
inline constexpr int version_major = 1;
inline constexpr int version_minor = 1;
inline constexpr int version_revision = 0;
inline constexpr const char* version_string = "1.1.0";

// The main window's caption; on Windows a later copy finds the running one by it.
inline constexpr const char* main_window_caption = "Quantaline -  1.10 - by Velnor";

// The author's addresses are the project's own, under example.org.
inline constexpr const char* web_address = "https://velnor.example.org/";
inline constexpr const char* mail_address = "velnor@quantaline.example.org";

} // namespace quantaline::app_info
