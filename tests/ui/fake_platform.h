#pragma once

#include "support/messages.h"
#include "ui/platform.h"

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quantaline::test {

// A printer whose every character is one column wide, with an average character width
// and a printable width of its own: the page is recorded as text lines, each text put at
// its column.
class FakeDocument final : public PrintDocument {
  public:
    FakeDocument(std::vector<std::string>& page, std::vector<std::string>& events,
                 double average_width, double page_width, bool refuses)
        : page_(page), events_(events), average_width_(average_width), page_width_(page_width),
          refuses_(refuses) {
        page_.assign(1, std::string());
    }
    double page_width() const override { return page_width_; }
    double average_char_width() const override { return average_width_; }
    double text_width(std::string_view text) const override {
        double width = 0;
        for (const char byte : text) {
            width += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
        }
        return width;
    }
    void print_text(double x, std::string_view text) override {
        std::string& line = page_.back();
        const auto column = static_cast<std::size_t>(x);
        const auto at = static_cast<std::size_t>(text_width(line));
        line.append(column > at ? column - at : 0, ' ');
        line += text;
    }
    void new_line() override { page_.emplace_back(); }
    bool end_document() override {
        events_.push_back(refuses_ ? "print refused" : "printed");
        return !refuses_;
    }

  private:
    std::vector<std::string>& page_;
    std::vector<std::string>& events_;
    double average_width_;
    double page_width_;
    bool refuses_;
};

// Records what the windows ask of the desktop, in order, and answers from a script.
class FakePlatform final : public Platform {
  public:
    Button show_message(QWidget*, const Message& value) override {
        // Kept worded in French, the program's own language, as the tests spell them.
        const ShownMessage message = french(value);
        values.push_back(value);
        messages.push_back(message);
        events.push_back("message:" + message.title);
        if (answers.empty()) {
            return message.default_button;
        }
        const Button answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void show_hourglass() override { events.push_back("hourglass"); }
    void show_arrow() override { events.push_back("arrow"); }
    void open_target(QWidget*, const std::string& target, const std::string& work_folder) override {
        events.push_back("open:" + target + "|" + work_folder);
    }
    bool another_copy_running() override {
        events.push_back("copy test");
        return other_copy;
    }
    bool hand_over(const std::string& path) override {
        events.push_back("hand over:" + path);
        return false;
    }
    void receive_hand_overs(std::function<void(const std::string&)> open) override {
        events.push_back("receive hand-overs");
        receiver = std::move(open);
    }
    QSize screen_size() override { return screen; }
    void process_events() override { events.push_back("process events"); }
    std::vector<std::string> drives() override { return drive_list; }
    std::unique_ptr<PrintDocument> start_document(double points) override {
        events.push_back("print at " + std::to_string(static_cast<int>(points * 10)) + "/10 pt");
        if (!printer_installed) {
            return nullptr;
        }
        return std::make_unique<FakeDocument>(page, events, average_width, page_width,
                                              printer_refuses);
    }
    std::string choose_save_path(QWidget*, const std::string& title,
                                 const std::string& suggested_path) override {
        events.push_back("save dialog:" + title + "|" + suggested_path);
        return save_path;
    }
    void end_program() override { events.push_back("end"); }

    std::function<void(const std::string&)> receiver;
    std::vector<Message> values;
    std::vector<ShownMessage> messages;
    std::vector<std::string> events;
    std::deque<Button> answers;
    bool other_copy = false;
    QSize screen{1024, 768};
    std::vector<std::string> drive_list{"/"};
    // The save dialog's answer; empty stands for "Annuler".
    std::string save_path;
    bool printer_installed = true;
    bool printer_refuses = false;
    double average_width = 1;
    // Wide enough for the report's widest line at one and a half columns a character.
    double page_width = 200;
    // The last document printed, one text per line; new_line() opens the next one.
    std::vector<std::string> page;
};

} // namespace quantaline::test
