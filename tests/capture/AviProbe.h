#pragma once
// What the recording tests read from the AVI files they make: ffprobe's view of them,
// and whether the muxer got to write the index.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tavelin::test {

// The lines ffprobe prints for `arguments` (asked for as CSV), split at commas; none
// when ffprobe fails.
inline std::vector<std::vector<std::string>> ProbeCsv(const std::string& arguments) {
    std::vector<std::vector<std::string>> lines;
    FILE* pipe = popen(("ffprobe -v error " + arguments + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return lines;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::vector<std::string> fields(1);
        for (const char* c = buffer; *c != '\0' && *c != '\n'; ++c) {
            if (*c == ',')
                fields.emplace_back();
            else
                fields.back() += *c;
        }
        lines.push_back(std::move(fields));
    }
    if (pclose(pipe) != 0)
        lines.clear();
    return lines;
}

inline std::string Quoted(const std::filesystem::path& file) {
    return "'" + file.string() + "'";
}

// Where a stream's last packet ends, in seconds: "v" or "a". The AVI header states no
// duration for uncompressed sound, so the packets are the measure.
inline double StreamEnd(const std::filesystem::path& file, const char* stream) {
    double end = -1;
    for (const auto& line :
         ProbeCsv(std::string("-select_streams ") + stream +
                  " -show_entries packet=pts_time,duration_time -of csv=p=0 " + Quoted(file))) {
        if (line.size() >= 2)
            end = std::atof(line[0].c_str()) + std::atof(line[1].c_str());
    }
    return end;
}

inline bool HasIndexChunk(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.find("idx1") != std::string::npos;
}

// Where `name` is in a device or encoder list; -1 when it is not there.
inline int ListPosition(const std::vector<std::string>& list, const std::string& name) {
    const auto it = std::find(list.begin(), list.end(), name);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

}  // namespace tavelin::test
