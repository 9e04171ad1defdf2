#pragma once
// Writes mono 16-bit PCM RIFF/WAVE files, the one format every sound player takes.

#include <string>
#include <vector>

namespace tavelin::sound {

// Samples are in [-1, 1]; anything outside is clamped rather than wrapped, so a
// generator bug gives a clipped sound instead of a burst of noise. Returns false
// when the file cannot be written completely.
bool WriteWav(const std::string& path, const std::vector<float>& samples, int sampleRate);

}  // namespace tavelin::sound
