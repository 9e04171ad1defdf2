#pragma once
// The Range header of a request for a file: one byte range, or the whole file.

#include <cstdint>
#include <string_view>

namespace tavelin {

struct ByteRange { std::uint64_t first = 0; std::uint64_t last = 0; };  // inclusive
enum class RangeAnswer { Whole, Partial, Unsatisfiable };
// `header`: the Range header's value (empty: none); `size`: the resource's size.
// A single "bytes=a-b" / "bytes=a-" / "bytes=-n" range gives Partial (clamped to the size);
// anything malformed or with several ranges gives Whole; a range past the end Unsatisfiable.
RangeAnswer ParseRange(std::string_view header, std::uint64_t size, ByteRange& range);

}  // namespace tavelin
