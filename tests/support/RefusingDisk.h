#pragma once
// A disk that refuses to grow, for as long as the object lives: a file size limit of 0
// makes every write that extends a file fail with EFBIG, for root too, without
// mounting anything. With a limit of `bytes`, files fill up to that size first: a disk
// that runs full partway through a file.

#include <signal.h>
#include <sys/resource.h>

namespace tavelin::testing {

class RefusingDisk {
public:
    explicit RefusingDisk(rlim_t bytes = 0) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);  // the write fails instead
        const rlimit none{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &none);
    }
    ~RefusingDisk() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }
    RefusingDisk(const RefusingDisk&) = delete;
    RefusingDisk& operator=(const RefusingDisk&) = delete;

private:
    rlimit old_{};
    sighandler_t oldHandler_ = SIG_DFL;
};

}  // namespace tavelin::testing
