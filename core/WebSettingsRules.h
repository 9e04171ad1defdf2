#pragma once
// What the web and RTSP settings may hold: the limits the "Web and RTSP" dialog
// enforces, and what a settings file that breaks them is brought back to.

#include <cstddef>
#include <string_view>

#include "core/WebSettings.h"

namespace tavelin {

inline constexpr int kMinWebViewers = 1;
inline constexpr int kMaxWebViewers = 50;
inline constexpr std::size_t kMaxWebUserBytes = 64;
// A typed password; a made one is 16 characters.
inline constexpr std::size_t kMinWebPasswordChars = 8;
inline constexpr std::size_t kMaxWebPasswordBytes = 256;
// Far more than any hash HashPassword makes; a longer value is no hash of ours.
inline constexpr std::size_t kMaxPasswordHashBytes = 512;
inline constexpr std::size_t kMaxEncoderBytes = 64;

// Basic authentication puts the user before a ':'; blanks and control characters would
// not survive being typed into a browser's prompt either.
bool WebUserAllowed(std::string_view user);
// An element name only: the encoder goes into a pipeline description, where anything
// else could add elements of its own.
bool EncoderAllowed(std::string_view encoder);

// The settings with each value the rules refuse at its default.
WebSettings WithinRules(WebSettings settings);
RtspSettings WithinRules(RtspSettings settings);

}  // namespace tavelin
