#pragma once

#include "io/message.h"

#include <QSize>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace quantaline {

// One document on the default printer, written line by line from the top-left corner of
// the first page's printable area. Positions and widths are in the printer's own units.
class PrintDocument {
  public:
    virtual ~PrintDocument() = default;
    // The width of the page's printable area.
    virtual double page_width() const = 0;
    // The average character width of the document's font.
    virtual double average_char_width() const = 0;
    // How far `utf8_text` reaches on paper in the document's font.
    virtual double text_width(std::string_view utf8_text) const = 0;
    // Prints `utf8_text` on the current line, its left edge `x` from the printable area's;
    // a line below the page's foot goes on a new page.
    virtual void print_text(double x, std::string_view utf8_text) = 0;
    virtual void new_line() = 0;
    // Hands the document to the printer; false when the printer did not take it.
    virtual bool end_document() = 0;
};

// What the windows need of the desktop. The program uses QtPlatform; the window tests
// use a recording fake, so that no modal box blocks them and every message, pointer
// change and shell call can be checked.
class Platform {
  public:
    virtual ~Platform() = default;

    // Shows a modal message box over `owner` and returns the button pressed.
    virtual Button show_message(QWidget* owner, const Message& message) = 0;

    // The application-wide hourglass, and the default arrow back.
    virtual void show_hourglass() = 0;
    virtual void show_arrow() = 0;

    // Opens a web address, a mailto: address or a file with the desktop's default
    // program. `work_folder` may be empty. The outcome is not reported.
    virtual void open_target(QWidget* owner, const std::string& target,
                             const std::string& work_folder) = 0;

    // Whether another copy of the program is running. The first caller keeps the
    // claim until the process ends.
    virtual bool another_copy_running() = 0;
    // Hands a file to the copy that runs, which opens it; false when none took it.
    virtual bool hand_over(const std::string& path) = 0;
    // The copy that runs: files handed over by later copies go to `open`.
    virtual void receive_hand_overs(std::function<void(const std::string&)> open) = 0;

    // The whole screen, task bar included, in device-independent pixels.
    virtual QSize screen_size() = 0;

    // Lets the user interface handle what is pending (repaints after a dialog closed).
    virtual void process_events() = 0;

    // The drives in the form the drive selector shows them, each ending with the
    // native separator: drive letters on Windows, mounted volumes elsewhere with the
    // root first.
    virtual std::vector<std::string> drives() = 0;

    // Starts a document on the system's default printer, in the printer's default face at
    // `points`; nothing when there is no default printer or it cannot start a document.
    virtual std::unique_ptr<PrintDocument> start_document(double points) = 0;

    // A save dialog titled `title` that starts at `suggested_path`: the path the user chose,
    // or empty when the dialog was cancelled.
    virtual std::string choose_save_path(QWidget* owner, const std::string& title,
                                         const std::string& suggested_path) = 0;

    // Ends the program at once; no other closing step of any window runs.
    virtual void end_program() = 0;
};

} // namespace quantaline
