#pragma once
// A session bus of the test program's own: a dbus-daemon started here (and stopped with
// this object) on a socket in a private folder, so tests speak real D-Bus without
// touching the desktop's bus. Nothing on it can be started on demand: a name is there
// only while a test owns it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/Handle.h"

extern char** environ;

namespace tavelin::testing {

class PrivateSessionBus {
public:
    static constexpr int kStartTimeoutMs = 20000;

    PrivateSessionBus() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavelin_bus_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            error_ = "no folder for the bus";
            return;
        }
        dir_ = pattern;
        const std::string config = dir_ + "/bus.conf";
        std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                 "Configuration 1.0//EN\"\n"
                                 " \"http://www.freedesktop.org/standards/dbus/1.0/"
                                 "busconfig.dtd\">\n"
                                 "<busconfig><type>session</type>\n"
                                 "<listen>unix:dir="
                              << dir_
                              << "</listen><auth>EXTERNAL</auth>\n"
                                 "<policy context=\"default\"><allow send_destination=\"*\"/>"
                                 "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy>"
                                 "</busconfig>\n";

        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            error_ = "no pipe for the bus address";
            return;
        }
        UniqueFd readEnd(ends[0]);
        UniqueFd writeEnd(ends[1]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
        const std::string configArg = "--config-file=" + config;
        char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>(configArg.c_str()),
                        const_cast<char*>("--print-address"), const_cast<char*>("--nofork"),
                        nullptr};
        const int spawned = ::posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        writeEnd.reset();
        if (spawned != 0) {
            pid_ = -1;
            error_ = "dbus-daemon could not be started (is the dbus package installed?)";
            return;
        }
        ReadAddress(readEnd.get());
        if (!address_.empty())
            ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    }

    ~PrivateSessionBus() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when the bus did not start; error() says why.
    const std::string& address() const { return address_; }
    const std::string& error() const { return error_; }

private:
    // The daemon writes its address and a line break once it listens.
    void ReadAddress(int fd) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
        std::string line;
        while (line.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{fd, POLLIN, 0};
            char chunk[256];
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
                error_ = "dbus-daemon gave no address";
                return;
            }
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got <= 0) {
                error_ = "dbus-daemon ended without an address";
                return;
            }
            line.append(chunk, static_cast<std::size_t>(got));
        }
        address_ = line.substr(0, line.find('\n'));
    }

    std::string dir_;
    std::string address_;
    std::string error_;
    pid_t pid_ = -1;
};

}  // namespace tavelin::testing
