#pragma once

// Runs quantaline-cli in a child process with a time limit, and reads its JSON strictly.
// POSIX only, as the CLI's end-to-end tests are.

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <variant>
#include <vector>

namespace quantaline::test::cli_run {

// --- running the binary ----------------------------------------------------------------

struct CliRun {
    int status = -1; // exit status, or -1 when the process was killed
    bool timed_out = false;
    std::string out;
    std::string err;
};

struct CliOptions {
    int timeout_ms = 60000;
    std::string working_folder;  // empty: this process's
    int interrupt_after_ms = -1; // >= 0: SIGINT (Ctrl-C) that long after the start
    std::string program = QUANTALINE_CLI;
    std::vector<std::string> environment; // NAME=VALUE, over this process's environment
};

inline CliRun run_cli(const std::vector<std::string>& arguments, const CliOptions& options = {}) {
    const int timeout_ms = options.timeout_ms;
    const int interrupt_after_ms = options.interrupt_after_ms;
    int out_pipe[2];
    int err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) {
        throw std::runtime_error("pipe");
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(out_pipe[1], STDOUT_FILENO);
        dup2(err_pipe[1], STDERR_FILENO);
        close(out_pipe[0]);
        close(err_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[1]);
        if (!options.working_folder.empty() && chdir(options.working_folder.c_str()) != 0) {
            _exit(126);
        }
        // The CLI speaks its user's language: French, as the tests expect, unless a test
        // asks for another through `environment`.
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
            unsetenv(name);
        }
        for (const auto& variable : options.environment) {
            putenv(strdup(variable.c_str()));
        }
        std::vector<char*> argv;
        std::string program = options.program;
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (auto& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);

    CliRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open_count = 2;
    const auto started = std::chrono::steady_clock::now();
    bool interrupted = false;
    while (open_count > 0) {
        if (interrupt_after_ms >= 0 && !interrupted &&
            std::chrono::steady_clock::now() - started >=
                std::chrono::milliseconds(interrupt_after_ms)) {
            kill(child, SIGINT);
            interrupted = true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            run.timed_out = true;
            kill(child, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(interrupt_after_ms >= 0 && !interrupted ? 10 : left)) <
            0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(got));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open_count;
                }
            }
        }
    }
    for (auto& fd : fds) {
        if (fd.fd >= 0) {
            close(fd.fd);
        }
    }
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    return run;
}

inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// --- a strict JSON reader, so that "valid JSON" is checked, not assumed ----------------

struct Json;
// A member of an object. Not a std::pair: a pair of an incomplete type is refused by clang
// with libstdc++, where a vector of a struct declared later is not.
struct JsonMember;
using JsonObject = std::vector<JsonMember>; // keys in their order
using JsonArray = std::vector<Json>;
struct Json {
    std::variant<std::nullptr_t, bool, double, std::string, JsonArray, JsonObject> value;

    const Json& operator[](const std::string& key) const;
    const Json& operator[](std::size_t index) const { return std::get<JsonArray>(value).at(index); }
    const std::string& text() const { return std::get<std::string>(value); }
    double number() const { return std::get<double>(value); }
    bool boolean() const { return std::get<bool>(value); }
    const JsonArray& array() const { return std::get<JsonArray>(value); }
    const JsonObject& object() const { return std::get<JsonObject>(value); }
    std::vector<std::string> keys() const;
};

struct JsonMember {
    std::string first;
    Json second;
};

inline const Json& Json::operator[](const std::string& key) const {
    for (const auto& member : std::get<JsonObject>(value)) {
        if (member.first == key) {
            return member.second;
        }
    }
    throw std::out_of_range("no key " + key);
}

inline std::vector<std::string> Json::keys() const {
    std::vector<std::string> names;
    for (const auto& member : object()) {
        names.push_back(member.first);
    }
    return names;
}

class JsonReader {
  public:
    explicit JsonReader(const std::string& text) : text_(text) {}

    Json document() {
        Json json = value();
        blanks();
        if (at_ != text_.size()) {
            fail("text after the value");
        }
        return json;
    }

  private:
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error("invalid JSON at " + std::to_string(at_) + ": " + what);
    }
    void blanks() {
        while (at_ < text_.size() && std::strchr(" \t\r\n", text_[at_]) != nullptr) {
            ++at_;
        }
    }
    char peek() {
        blanks();
        if (at_ >= text_.size()) {
            fail("unexpected end");
        }
        return text_[at_];
    }
    void expect(char c) {
        if (peek() != c) {
            fail(std::string("expected ") + c);
        }
        ++at_;
    }
    bool literal(const char* word) {
        if (text_.compare(at_, std::strlen(word), word) == 0) {
            at_ += std::strlen(word);
            return true;
        }
        return false;
    }
    Json value() {
        const char c = peek();
        if (c == '{') {
            ++at_;
            JsonObject object;
            if (peek() == '}') {
                ++at_;
                return {object};
            }
            while (true) {
                std::string key = string();
                expect(':');
                object.push_back({std::move(key), value()});
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect('}');
                return {object};
            }
        }
        if (c == '[') {
            ++at_;
            JsonArray array;
            if (peek() == ']') {
                ++at_;
                return {array};
            }
            while (true) {
                array.push_back(value());
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect(']');
                return {array};
            }
        }
        if (c == '"') {
            return {string()};
        }
        if (literal("true")) {
            return {true};
        }
        if (literal("false")) {
            return {false};
        }
        if (literal("null")) {
            return {nullptr};
        }
        return {number()};
    }
    double number() {
        const std::size_t start = at_;
        if (text_[at_] == '-') {
            ++at_;
        }
        if (at_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[at_]))) {
            fail("not a value");
        }
        if (text_[at_] == '0' && at_ + 1 < text_.size() &&
            std::isdigit(static_cast<unsigned char>(text_[at_ + 1]))) {
            fail("leading zero");
        }
        while (at_ < text_.size() && std::strchr("0123456789.eE+-", text_[at_]) != nullptr) {
            ++at_;
        }
        return std::stod(text_.substr(start, at_ - start));
    }
    void put_utf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    std::string string() {
        expect('"');
        std::string out;
        while (true) {
            if (at_ >= text_.size()) {
                fail("unterminated string");
            }
            const auto c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') {
                return out;
            }
            if (c < 0x20) {
                fail("raw control character in a string");
            }
            if (c == '\\') {
                const char e = text_.at(at_++);
                switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u':
                    put_utf8(out,
                             static_cast<unsigned>(std::stoul(text_.substr(at_, 4), nullptr, 16)));
                    at_ += 4;
                    break;
                default:
                    fail("bad escape");
                }
                continue;
            }
            out += static_cast<char>(c);
        }
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

inline Json parse_json(const std::string& line) {
    return JsonReader(line).document();
}

inline bool valid_utf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// The picture table with its seven timing columns (vbv_delay ... vbv_occupancy) cut from
// the end of every line, for tests about the columns before them.
inline std::string without_timing_columns(const std::string& csv) {
    std::string out;
    for (const std::string& line : lines_of(csv)) {
        std::size_t end = line.size();
        for (int i = 0; i < 7 && end != std::string::npos && end > 0; ++i) {
            end = line.rfind(',', end - 1);
        }
        out += line.substr(0, end) + "\n";
    }
    return out;
}

} // namespace quantaline::test::cli_run
