// Which camera the program runs on: a name the user gave (option or variable), the one
// stored in the video settings, the first "PC Camera", the first camera, or none.

#include "core/CameraChoice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavelin {
namespace {

using Reason = CameraChoice::Reason;

struct ChoiceCase {
    const char* what;
    std::vector<std::string> sources;
    CameraWish wish;
    int index;
    Reason reason;
};

class CameraChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(CameraChoiceTest, PicksTheCameraTheRulesName) {
    const ChoiceCase& c = GetParam();
    SCOPED_TRACE(c.what);
    const CameraChoice choice = ChooseCamera(c.sources, c.wish);
    EXPECT_EQ(choice.index, c.index);
    EXPECT_EQ(choice.reason, c.reason);
}

const std::vector<std::string> kWebcams = {"Integrated Webcam", "USB2.0 PC CAMERA", "Logitech BRIO",
                                           "Second PC Camera"};

INSTANTIATE_TEST_SUITE_P(
    Rules, CameraChoiceTest,
    ::testing::Values(
        ChoiceCase{"pattern, any case", kWebcams, {"brio", ""}, 2, Reason::Pattern},
        ChoiceCase{"pattern beats the stored camera",
                   kWebcams,
                   {"webcam", "Logitech BRIO"},
                   0,
                   Reason::Pattern},
        ChoiceCase{"a pattern that matches nothing is not replaced",
                   kWebcams,
                   {"nosuchcamera", "Logitech BRIO"},
                   -1,
                   Reason::NoMatch},
        ChoiceCase{"stored camera attached", kWebcams, {"", "Logitech BRIO"}, 2, Reason::Stored},
        ChoiceCase{
            "stored name is the whole name", kWebcams, {"", "Logitech"}, 1, Reason::PcCamera},
        ChoiceCase{"stored camera unplugged: PC Camera",
                   kWebcams,
                   {"", "Old Camera"},
                   1,
                   Reason::PcCamera},
        ChoiceCase{"no wish: the first PC Camera", kWebcams, {}, 1, Reason::PcCamera},
        ChoiceCase{"no PC Camera: the first camera",
                   {"Integrated Webcam", "Logitech BRIO"},
                   {},
                   0,
                   Reason::First},
        ChoiceCase{"no camera at all", {}, {}, -1, Reason::NoSources},
        ChoiceCase{"no camera, a pattern given", {}, {"brio", ""}, -1, Reason::NoSources}));

}  // namespace
}  // namespace tavelin
