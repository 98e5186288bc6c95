#pragma once

#include "ui/platform.h"

#include <QLockFile>
#include <QString>
#include <memory>

namespace quantaline {

class QtPlatform final : public Platform {
  public:
    QtPlatform();
    ~QtPlatform() override;

    Button show_message(QWidget* owner, const Message& message) override;
    void show_hourglass() override;
    void show_arrow() override;
    void open_target(QWidget* owner, const std::string& target,
                     const std::string& work_folder) override;
    bool another_copy_running() override;
    QSize screen_size() override;
    void process_events() override;
    std::vector<std::string> drives() override;
    std::unique_ptr<PrintDocument> start_document(double points) override;
    void end_program() override;

    // The lock file that tells a running copy: in the user's runtime folder.
    static QString lock_file_path();

  private:
    std::unique_ptr<QLockFile> lock_;
    // Test hook: when QUANTALINE_MESSAGE_LOG names a file, message boxes are appended
    // to it and answered with their default button instead of being shown, so that
    // scripted runs of the real program never wait for a click.
    QString message_log_;
};

} // namespace quantaline
