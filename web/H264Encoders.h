#pragma once
// The H.264 encoders the RTSP share can run on the live graph's frame tap, and the
// chain that turns raw camera frames into byte-stream access units with one of them.

#include <string>
#include <vector>

namespace tavelin {

// Element names of the usable H.264 video encoders, highest rank first, then by name.
std::vector<std::string> ListH264Encoders();

// "videoconvert ! ... ! <encoder> ! h264parse ... ! byte-stream caps" in gst-launch
// syntax, with low-latency settings for the encoders known here; empty when `encoder`
// (empty: the first listed) is not a usable H.264 encoder.
std::string H264TapChain(const std::string& encoder);

}  // namespace tavelin
