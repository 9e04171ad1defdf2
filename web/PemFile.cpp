#include "web/PemFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core/Handle.h"

namespace tavelin {
namespace {
constexpr std::uint64_t kMostPemBytes = 1024 * 1024;
}  // namespace

bool ReadPemFile(const std::string& path, std::string& text, std::string& why) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    struct stat facts {};
    if (!fd || ::fstat(fd.get(), &facts) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(facts.st_mode) || facts.st_size <= 0 ||
        static_cast<std::uint64_t>(facts.st_size) > kMostPemBytes) {
        why = "not a PEM file of at most 1 MiB";
        return false;
    }
    text.assign(static_cast<std::size_t>(facts.st_size), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::read(fd.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why = n < 0 ? std::strerror(errno) : "the file got shorter while it was read";
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace tavelin
