#include "core/Snapshot.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/Handle.h"
#include "core/JpegFile.h"
#include "core/ReplacingFile.h"

namespace tavelin {

SnapshotFormat SnapshotFormatFor(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension == "BMP" ? SnapshotFormat::Bmp : SnapshotFormat::Jpeg;
}

bool ReplaceWithCopy(const std::string& source, const std::string& target) {
    FilePtr in(std::fopen(source.c_str(), "rb"));
    if (!in)
        return false;
    CReplacingFile out(target);
    if (!out.isOpen())
        return false;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
        if (!out.Write(buffer, n))
            return false;
    }
    if (std::ferror(in.get()))
        return false;
    return out.Commit();
}

bool SaveSnapshot(const std::string& temporaryBmp, const std::string& chosenPath) {
    if (SnapshotFormatFor(chosenPath) == SnapshotFormat::Bmp) {
        return ReplaceWithCopy(temporaryBmp, chosenPath);
    }
    return SaveJpegFromBmp(temporaryBmp, chosenPath, true);
}

}  // namespace tavelin
