#pragma once

#include <cstdlib>
#include <string>

namespace quantaline::test {

// setenv and unsetenv are POSIX; Windows has _putenv_s, where an empty value removes.
inline void set_environment(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void unset_environment(const std::string& name) {
#ifdef _WIN32
    _putenv_s(name.c_str(), "");
#else
    ::unsetenv(name.c_str());
#endif
}

} // namespace quantaline::test
