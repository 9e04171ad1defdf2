#pragma once
// std::FILE* that closes itself.

#include <cstdio>
#include <memory>

namespace tavelin {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace tavelin
