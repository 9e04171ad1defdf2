#pragma once
// The one byte range a client may ask of a recording (HTTP "Range: bytes=..."), so that a
// player can seek in it. Several ranges at once are answered with the whole file: no
// multipart answers to build, nothing for a client to multiply.

#include <cstdint>
#include <string_view>

namespace tavelin {

struct ByteRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;  // inclusive
};

enum class RangeAnswer { Whole, Partial, Unsatisfiable };

// `header`: the Range header's value (empty: none); `size`: the resource's size.
// A single "bytes=a-b" / "bytes=a-" / "bytes=-n" range gives Partial (clamped to the size);
// anything malformed or with several ranges gives Whole; a range past the end Unsatisfiable.
// A number too long for 64 bits counts as past any end. An empty resource has no byte to
// give: "a-..." and "-0" are Unsatisfiable there, "-n" the (empty) Whole.
RangeAnswer ParseRange(std::string_view header, std::uint64_t size, ByteRange& range);

}  // namespace tavelin
