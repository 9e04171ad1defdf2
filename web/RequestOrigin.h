#pragma once
// Whether a state-changing request comes from this server's own page: the browser names
// the page's origin in Origin (or, without it, Referer); it must be the scheme and the
// Host the request was sent to. A page elsewhere cannot forge either header.

#include <string_view>

namespace tavelin {

// `scheme`: "http" or "https"; the header values are empty when absent.
bool IsSameOrigin(std::string_view scheme, std::string_view host, std::string_view origin,
                  std::string_view referer);

}  // namespace tavelin
