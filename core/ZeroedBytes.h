#pragma once
// A byte buffer that starts out all zero without writing the zeros: large blocks from
// calloc are fresh pages the system hands out already zero, so the buffer costs
// resident memory only where something is written. For the frame-sized buffers a size
// change allocates and not every size uses (the 2x enlargement's target).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace tavelin {

class CZeroedBytes {
public:
    CZeroedBytes() = default;
    // `size` zero bytes; empty when memory is short.
    explicit CZeroedBytes(std::size_t size)
        : bytes_(static_cast<std::uint8_t*>(size != 0 ? std::calloc(size, 1) : nullptr)),
          size_(bytes_ ? size : 0) {}

    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Gives the memory back.
    void clear() {
        bytes_.reset();
        size_ = 0;
    }

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t, Free> bytes_;
    std::size_t size_ = 0;
};

}  // namespace tavelin
