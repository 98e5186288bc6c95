#pragma once

#include "platform/qt/platform.h"

#include <deque>
#include <string>
#include <vector>

namespace quantaline::test {

// Records what the windows ask of the desktop, in order, and answers from a script.
class FakePlatform final : public Platform {
  public:
    Button show_message(QWidget*, const Message& message) override {
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
    QSize screen_size() override { return screen; }
    void process_events() override { events.push_back("process events"); }
    std::vector<std::string> drives() override { return drive_list; }
    void end_program() override { events.push_back("end"); }

    std::vector<Message> messages;
    std::vector<std::string> events;
    std::deque<Button> answers;
    bool other_copy = false;
    QSize screen{1024, 768};
    std::vector<std::string> drive_list{"/"};
};

} // namespace quantaline::test
