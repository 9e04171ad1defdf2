#include "core/FileNames.h"

#include <cstdio>

namespace tavelin {

std::string NumberedAviName(std::int32_t n) {
    char name[32];
    std::snprintf(name, sizeof name, "/Tavelin-%05d.avi", static_cast<int>(n));
    return name;
}

std::string MotionStillName(const std::tm& now) {
    char name[48];
    std::snprintf(name, sizeof name, "/MOTION[%02d-%02d-%02d].bmp", now.tm_hour, now.tm_min,
                  now.tm_sec);
    return name;
}

std::string TemporaryName(const std::string& target, const char* kind, long pid, unsigned serial) {
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
    return folder + "." + name + "." + kind + "-" + std::to_string(pid) + "-" +
           std::to_string(serial);
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace tavelin
