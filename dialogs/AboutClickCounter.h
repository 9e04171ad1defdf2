#pragma once
// The About box's hidden picture: exactly four left clicks and then holding the right
// button show it, once per opening of the box. Any other sequence (a right click too
// early, a fifth left click) closes the way for the rest of the opening.

#include <cstdint>

namespace tavelin {

class CAboutClickCounter {
public:
    enum class Effect { None, ShowPicture, ErasePicture };

    // A left button released inside the box.
    void OnLeftRelease();
    // The right button went down.
    Effect OnRightPress();
    // The right button came up; the picture goes with it.
    Effect OnRightRelease();

    std::uint8_t value() const { return counter_; }
    bool pictureShown() const { return pictureShown_; }

private:
    static constexpr std::uint8_t kArmed = 4;
    static constexpr std::uint8_t kShowing = 6;
    static constexpr std::uint8_t kSpent = 10;

    std::uint8_t counter_ = 0;
    bool pictureShown_ = false;
};

}  // namespace tavelin
