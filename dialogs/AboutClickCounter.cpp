#include "dialogs/AboutClickCounter.h"

namespace tavelin {

void CAboutClickCounter::OnLeftRelease() {
    counter_ = counter_ > 5 ? kSpent : static_cast<std::uint8_t>(counter_ + 1);
}

CAboutClickCounter::Effect CAboutClickCounter::OnRightPress() {
    if (counter_ != kArmed)
        return Effect::None;
    counter_ = kShowing;
    pictureShown_ = true;
    return Effect::ShowPicture;
}

CAboutClickCounter::Effect CAboutClickCounter::OnRightRelease() {
    counter_ = kSpent;
    // A left click while the right button is held spends the counter but must not leave
    // the picture standing, so the picture itself is what is checked here.
    if (!pictureShown_)
        return Effect::None;
    pictureShown_ = false;
    return Effect::ErasePicture;
}

}  // namespace tavelin
