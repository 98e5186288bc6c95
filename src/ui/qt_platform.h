#pragma once

#include "ui/platform.h"

#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

namespace quantaline {

// The desktop. The test driver derives from it to answer message boxes by itself.
class QtPlatform : public Platform {
  public:
    QtPlatform();
    ~QtPlatform() override;

    Button show_message(QWidget* owner, const Message& message) override;
    void show_hourglass() override;
    void show_arrow() override;
    void open_target(QWidget* owner, const std::string& target,
                     const std::string& work_folder) override;
    bool another_copy_running() override;
    bool hand_over(const std::string& path) override;
    void receive_hand_overs(std::function<void(const std::string&)> open) override;
    QSize screen_size() override;
    void process_events() override;
    std::vector<std::string> drives() override;
    std::unique_ptr<PrintDocument> start_document(double points) override;
    std::string choose_save_path(QWidget* owner, const std::string& title,
                                 const std::string& suggested_path) override;
    void end_program() override;

    // The lock file that tells a running copy: in the user's runtime folder; the socket
    // that takes files handed over lies beside it.
    static QString lock_file_path();
    static QString hand_over_socket_path();

  private:
    std::unique_ptr<QLockFile> lock_;
#ifdef Q_OS_WIN
    // The named mutex that tells a running copy on Windows (a HANDLE).
    void* copy_mutex_ = nullptr;
#endif
    std::unique_ptr<class HandOverServer> hand_over_server_;
};

} // namespace quantaline
