// The update check bound to the program: two socket objects and two timers, all served by the message
// loop of the thread that starts it.
#pragma once

#include <memory>
#include <string>

#include "engine/engine.h"
#include "net/update_check.h"

namespace pell::net {

class UpdateService {
public:
    // `caption` is the main window's caption, which carries the database version. The host and port are
    // the maker's update server's; only tests pass others.
    UpdateService(UpdateWindow& window, Engine& e, const std::wstring& caption, std::wstring host,
                  long port = 80);
    ~UpdateService();
    UpdateService(const UpdateService&) = delete;
    UpdateService& operator=(const UpdateService&) = delete;

    // Starts the version check; the window's Finish is called when the download has ended.
    void Start();
    const UpdateCheck& Check() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pell::net
