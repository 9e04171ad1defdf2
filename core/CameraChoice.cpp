#include "core/CameraChoice.h"

#include <algorithm>

#include "core/CodecNames.h"

namespace tavelin {

CameraChoice ChooseCamera(const std::vector<std::string>& sources, const CameraWish& wish) {
    using Reason = CameraChoice::Reason;
    if (sources.empty())
        return {-1, Reason::NoSources};
    const auto first = [&sources](auto&& test, Reason reason) {
        const auto it = std::find_if(sources.begin(), sources.end(), test);
        return it == sources.end() ? CameraChoice{-1, reason}
                                   : CameraChoice{static_cast<int>(it - sources.begin()), reason};
    };
    if (!wish.pattern.empty()) {
        const CameraChoice found =
            first([&](const std::string& name) { return IsChosenCameraName(name, wish.pattern); },
                  Reason::Pattern);
        return found.index >= 0 ? found : CameraChoice{-1, Reason::NoMatch};
    }
    if (!wish.storedName.empty()) {
        const CameraChoice stored =
            first([&](const std::string& name) { return name == wish.storedName; }, Reason::Stored);
        if (stored.index >= 0)
            return stored;
    }
    const CameraChoice pcCamera =
        first([](const std::string& name) { return IsPcCameraName(name); }, Reason::PcCamera);
    return pcCamera.index >= 0 ? pcCamera : CameraChoice{0, Reason::First};
}

}  // namespace tavelin
