#pragma once
// Owning handles for whatever a C library hands out: a pointer (or a descriptor) and
// the one call that gives it back. Every handle in the program is one of these, so a
// resource is released exactly once and no early return can leak it.
//
//   using GstCapsPtr = Handle<GstCaps, UnrefCaps>;   // released with UnrefCaps(p)
//
// The release function is a template argument: a handle is no bigger than what it
// holds, and its type says how it ends. Pass a function with external linkage (a
// plain or inline function of one's own); a library's "static inline" function or a
// standard library function should be wrapped in one first.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <utility>

namespace tavelin {

// The deleter of every Handle: calls Release on what it holds, never on null. What
// Release returns (fclose's int, say) is of no use when nobody can act on it; code
// that needs it releases the handle and calls the function itself.
template <auto Release>
struct ReleaseWith {
    template <class T>
    void operator()(T* handle) const {
        if (handle != nullptr)
            (void)Release(handle);
    }
};

template <class T, auto Release>
using Handle = std::unique_ptr<T, ReleaseWith<Release>>;

// A handle that is a value rather than a pointer (a file descriptor): the same
// ownership, with `Invalid` in the place of null. Move-only; get(), release(),
// reset() and the test for a valid value read as they do on a Handle.
template <class T, auto Release, T Invalid>
class ValueHandle {
public:
    ValueHandle() = default;
    explicit ValueHandle(T value) : value_(value) {}
    ~ValueHandle() { reset(); }
    ValueHandle(ValueHandle&& other) noexcept : value_(other.release()) {}
    ValueHandle& operator=(ValueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ValueHandle(const ValueHandle&) = delete;
    ValueHandle& operator=(const ValueHandle&) = delete;

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Invalid; }
    T release() { return std::exchange(value_, Invalid); }
    void reset(T value = Invalid) {
        const T old = std::exchange(value_, value);
        if (old != Invalid)
            (void)Release(old);
    }

private:
    T value_ = Invalid;
};

// --- Files ---

inline void CloseStream(std::FILE* file) {
    std::fclose(file);
}
inline void CloseDescriptor(int fd) {
    ::close(fd);
}

// A stdio stream. Where a failing close matters (a file being written), close it with
// std::fclose(file.release()) and look at the result.
using FilePtr = Handle<std::FILE, CloseStream>;

// A file descriptor; -1 is none.
using UniqueFd = ValueHandle<int, CloseDescriptor, -1>;

}  // namespace tavelin
