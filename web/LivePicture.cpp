#include "web/LivePicture.h"

#include <utility>

namespace tavelin {

void CLivePicture::Publish(std::vector<std::uint8_t> jpeg, std::int64_t captureNs) {
    auto picture = std::make_shared<JpegPicture>();
    picture->bytes = std::move(jpeg);
    picture->captureNs = captureNs;
    std::shared_ptr<std::function<void()>> listener;
    std::shared_ptr<const JpegPicture> old;
    {
        std::lock_guard lock(lock_);
        picture->sequence = ++sequence_;
        // The old picture is let go outside the lock: its bytes may be large.
        old = std::exchange(latest_, std::move(picture));
        listener = listener_;
    }
    old.reset();
    if (listener && *listener)
        (*listener)();
}

std::shared_ptr<const JpegPicture> CLivePicture::Latest() const {
    std::lock_guard lock(lock_);
    return latest_;
}

void CLivePicture::SetListener(std::function<void()> listener) {
    auto shared = listener ? std::make_shared<std::function<void()>>(std::move(listener)) : nullptr;
    std::lock_guard lock(lock_);
    listener_ = std::move(shared);
}

void CLivePicture::Clear() {
    std::shared_ptr<const JpegPicture> old;
    std::lock_guard lock(lock_);
    old = std::move(latest_);
    latest_.reset();
}

}  // namespace tavelin
