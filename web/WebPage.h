#pragma once
// The web page's three files: the HTML, its script and its style. Served as separate
// files so the Content-Security-Policy can forbid every inline script and style.

#include <string_view>

namespace tavelin {

std::string_view WebPageHtml();
std::string_view WebPageScript();
std::string_view WebPageStyle();

}  // namespace tavelin
