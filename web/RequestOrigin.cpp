#include "web/RequestOrigin.h"

#include <string>

namespace tavelin {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace

bool IsSameOrigin(std::string_view scheme, std::string_view host, std::string_view origin,
                  std::string_view referer) {
    // A host with anything but name, address and port characters is nobody's origin.
    if (host.empty() || host.find_first_of("/\\@?# \t") != std::string_view::npos)
        return false;
    std::string own(scheme);
    own += "://";
    own += host;
    if (!origin.empty())
        return SameLetters(origin, own);
    if (referer.size() <= own.size() || referer[own.size()] != '/')
        return false;
    return SameLetters(referer.substr(0, own.size()), own);
}

}  // namespace tavelin
