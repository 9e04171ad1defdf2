#pragma once
// An MQTT broker of the bench's own: mosquitto on 127.0.0.1 at a free port, with a
// password file and no anonymous access, nothing kept on disk, in a private folder. Ended
// with this object.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/Handle.h"
#include "tests/support/SpawnQuiet.h"

extern char** environ;

namespace tavelin::bench {

class MosquittoBroker {
public:
    static constexpr int kStartTimeoutMs = 20000;

    MosquittoBroker(std::string user, std::string password)
        : user_(std::move(user)), password_(std::move(password)) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavelin_broker_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            error_ = "no folder for the broker";
            return;
        }
        dir_ = pattern;
        port_ = FreePort();
        const std::string passwords = dir_ + "/passwords";
        if (port_ == 0 || !Run({"mosquitto_passwd", "-b", "-c", passwords, user_, password_})) {
            error_ = "mosquitto_passwd failed (is the mosquitto package installed?)";
            return;
        }
        // Started as root, mosquitto would become the user "mosquitto", who cannot read
        // the private folder: it stays who we are.
        const passwd* me = ::getpwuid(::geteuid());
        const std::string config = dir_ + "/mosquitto.conf";
        std::ofstream(config) << "user " << (me != nullptr ? me->pw_name : "") << "\n"
                              << "listener " << port_ << " 127.0.0.1\n"
                              << "allow_anonymous false\npassword_file " << passwords
                              << "\npersistence false\nlog_dest none\n";
        pid_ = Spawn({"mosquitto", "-c", config});
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
        while (pid_ > 0 && !Listening() && std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
                pid_ = -1;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (pid_ <= 0 || !Listening())
            error_ = "mosquitto did not start";
    }
    ~MosquittoBroker() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    // Empty when it runs; else why not.
    const std::string& error() const { return error_; }
    int port() const { return port_; }
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }

private:
    static sockaddr_in Loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        return address;
    }
    static int FreePort() {
        const UniqueFd fd(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address = Loopback(0);
        socklen_t length = sizeof address;
        const bool bound =
            ::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) == 0;
        return bound ? ntohs(address.sin_port) : 0;
    }
    bool Listening() const {
        const UniqueFd fd(::socket(AF_INET, SOCK_STREAM, 0));
        const sockaddr_in address = Loopback(port_);
        return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
               0;
    }
    // A program with its output dropped.
    static pid_t Spawn(std::vector<std::string> args) { return test::SpawnQuiet(std::move(args)); }
    static bool Run(std::vector<std::string> args) {
        const pid_t pid = Spawn(std::move(args));
        int status = 0;
        return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
               WEXITSTATUS(status) == 0;
    }

    std::string user_;
    std::string password_;
    std::string dir_;
    std::string error_;
    int port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace tavelin::bench
