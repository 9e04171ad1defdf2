#pragma once
// Writes a file in pieces on a thread of its own while the caller makes the next piece,
// so a producer that computes its output (the JPEG compressor) does not stop while the
// kernel stores each piece. The caller fills piece(), hands it over with Hand() and gets
// the next one; it waits only when every piece is still being written.
//
// The thread starts at the first hand-off: output that fits in one piece is written by
// Finish() on the caller's thread, with no thread at all.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace tavelin {

class CWriteBehind {
public:
    static constexpr int kPieces = 2;

    // `fd` stays the caller's; nothing else may write to it until Finish() returns or this
    // object is gone.
    CWriteBehind(int fd, std::size_t pieceBytes);
    ~CWriteBehind();  // waits for the thread; what was not written by then is dropped
    CWriteBehind(const CWriteBehind&) = delete;
    CWriteBehind& operator=(const CWriteBehind&) = delete;

    std::size_t pieceBytes() const { return pieceBytes_; }
    // The piece to fill next: pieceBytes() bytes.
    std::uint8_t* piece() { return Slot(handed_); }
    // Hands the first `bytes` of piece() to the writer; piece() is then the next one.
    // False once a write has failed: the caller stops, nothing more is written.
    bool Hand(std::size_t bytes);
    // Writes the first `bytes` of piece() last and waits until everything handed over is
    // in the file (syncing it to the disk stays the caller's).
    // False when any write failed.
    bool Finish(std::size_t bytes);

private:
    std::uint8_t* Slot(std::size_t n) { return storage_.get() + (n % kPieces) * pieceBytes_; }
    // Writes the first `bytes` of piece() on the caller's thread: with no thread running.
    bool WriteNow(std::size_t bytes);
    void Run();

    const int fd_;
    const std::size_t pieceBytes_;
    const std::unique_ptr<std::uint8_t[]> storage_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t handed_ = 0;   // pieces given to the thread, in order
    std::size_t written_ = 0;  // of those, the ones the thread is done with
    std::size_t lengths_[kPieces] = {};
    bool finishing_ = false;  // nothing more will be handed over
    bool failed_ = false;
    bool fallback_ = false;  // no thread could be started: every piece is written by Hand()
    std::thread thread_;
};

}  // namespace tavelin
