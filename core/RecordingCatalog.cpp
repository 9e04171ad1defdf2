#include "core/RecordingCatalog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <utility>

#include "core/ByteOrder.h"
#include "core/JsonText.h"
#include "core/Log.h"
#include "core/StoragePlan.h"

namespace tavelin {

namespace {

using DirPtr = Handle<DIR, closedir>;

// The headers the muxer writes (main header, stream headers, their index roots, the
// OpenDML header) fit well within this.
constexpr std::size_t kHeadBytes = 8192;

struct Chunk {
    std::size_t at = 0;      // of its id
    std::uint64_t size = 0;  // of its data
    std::uint64_t next = 0;  // where the chunk after it begins (sizes are padded to even)
};

bool HasId(const std::uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// The chunks in head[from, end), end within the head.
template <class Visit>
void WalkChunks(const std::uint8_t* head, std::uint64_t from, std::uint64_t end, Visit visit) {
    std::uint64_t at = from;
    while (at + 8 <= end) {
        Chunk chunk;
        chunk.at = static_cast<std::size_t>(at);
        chunk.size = ReadLe32(head + at + 4);
        chunk.next = at + 8 + chunk.size + (chunk.size & 1);
        if (!visit(chunk))
            return;
        at = chunk.next;
    }
}

// A LIST chunk of `type` whose start lies within `end`.
bool IsList(const std::uint8_t* head, const Chunk& chunk, std::uint64_t end, const char* type) {
    return chunk.at + 12 <= end && HasId(head + chunk.at, "LIST") &&
           HasId(head + chunk.at + 8, type);
}

UniqueFd OpenFolder(const std::string& folder) {
    return UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// `name` in the folder `dirFd` as a regular file, never through a link. Looked at before it
// is opened, so that no device is ever opened; looked at again once open, since the name
// may have changed hands meanwhile (and O_NONBLOCK keeps a FIFO from holding us up then).
UniqueFd OpenRegular(int dirFd, const char* name, struct stat& st) {
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return {};
    UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return fd;
}

double ReadSeconds(int fd) {
    std::array<std::uint8_t, kHeadBytes> head{};
    std::size_t have = 0;
    while (have < head.size()) {
        const ssize_t got =
            ::pread(fd, head.data() + have, head.size() - have, static_cast<off_t>(have));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    return AviSeconds(head.data(), have);
}

std::string UtcText(std::int64_t unixSeconds) {
    const auto time = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
    char text[32];
    if (::gmtime_r(&time, &utc) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0) {
        return {};
    }
    return text;
}

}  // namespace

double AviSeconds(const std::uint8_t* head, std::size_t size) {
    if (size < 12 || !HasId(head, "RIFF") || !HasId(head + 8, "AVI "))
        return 0;
    const std::uint64_t end = size;
    std::uint32_t microsPerFrame = 0;
    std::uint32_t mainFrames = 0;
    std::uint32_t allFrames = 0;  // OpenDML: the whole file's, not the first RIFF's only
    WalkChunks(head, 12, end, [&](const Chunk& top) {
        if (!IsList(head, top, end, "hdrl"))
            return true;
        WalkChunks(head, top.at + 12, std::min(top.next, end), [&](const Chunk& inner) {
            if (HasId(head + inner.at, "avih") && inner.size >= 20 && inner.at + 8 + 20 <= end) {
                microsPerFrame = ReadLe32(head + inner.at + 8);
                mainFrames = ReadLe32(head + inner.at + 8 + 16);
            } else if (IsList(head, inner, end, "odml")) {
                WalkChunks(head, inner.at + 12, std::min(inner.next, end), [&](const Chunk& c) {
                    if (HasId(head + c.at, "dmlh") && c.size >= 4 && c.at + 12 <= end)
                        allFrames = ReadLe32(head + c.at + 8);
                    return true;
                });
            }
            return true;
        });
        return false;
    });
    const std::uint32_t frames = allFrames != 0 ? allFrames : mainFrames;
    return static_cast<double>(microsPerFrame) * static_cast<double>(frames) / 1e6;
}

std::vector<RecordingEntry> ListRecordings(const std::string& folder) {
    std::vector<std::pair<std::int32_t, RecordingEntry>> found;
    if (folder.empty())
        return {};
    DirPtr dir(::opendir(folder.c_str()));
    if (dir == nullptr) {
        // A folder not made yet holds no recordings: nothing to warn about.
        Log(LogArea::Record, errno == ENOENT ? LogLevel::Debug : LogLevel::Warning,
            "recordings: cannot look into " + folder + ": " + std::strerror(errno));
        return {};
    }
    const int dirFd = ::dirfd(dir.get());
    while (const dirent* item = ::readdir(dir.get())) {
        if (item->d_type != DT_REG && item->d_type != DT_UNKNOWN)
            continue;
        std::int32_t number = 0;
        RecordingEntry entry;
        entry.name = item->d_name;
        if (!ParseNumberedRecordingName(entry.name, number))
            continue;
        struct stat st {};
        const UniqueFd fd = OpenRegular(dirFd, item->d_name, st);
        if (!fd)
            continue;
        entry.size = static_cast<std::uint64_t>(st.st_size);
        entry.seconds = ReadSeconds(fd.get());
        const double modified =
            static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
        entry.startUnix = static_cast<std::int64_t>(std::floor(modified - entry.seconds));
        found.emplace_back(number, std::move(entry));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RecordingEntry> entries;
    entries.reserve(found.size());
    for (auto& [number, entry] : found)
        entries.push_back(std::move(entry));
    return entries;
}

std::string RecordingsJson(const std::vector<RecordingEntry>& entries) {
    std::string json = "[";
    for (const RecordingEntry& entry : entries) {
        if (json.size() > 1)
            json += ',';
        CJsonObject object;
        object.AddString("name", entry.name).AddInteger("size", entry.size);
        const std::string start = UtcText(entry.startUnix);
        if (start.empty())
            object.AddRaw("start", "null");
        else
            object.AddString("start", start);
        object.AddNumber("seconds", entry.seconds, 1);
        json += object.Text();
    }
    return json + "]";
}

UniqueFd OpenRecording(const std::string& folder, std::string_view name, std::uint64_t& size) {
    // Only a name the program writes: that alone keeps out separators, "..", escapes and
    // anything that is not one of its recordings.
    const std::string exact(name);
    std::int32_t number = 0;
    if (!ParseNumberedRecordingName(exact, number))
        return {};
    const UniqueFd dir = OpenFolder(folder);
    if (!dir) {
        Log(LogArea::Record, LogLevel::Warning,
            "recordings: cannot open " + folder + ": " + std::strerror(errno));
        return {};
    }
    struct stat st {};
    UniqueFd fd = OpenRegular(dir.get(), exact.c_str(), st);
    if (fd)
        size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

}  // namespace tavelin
