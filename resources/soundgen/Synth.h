#pragma once
// Small synthesis kit for the alarm sounds: oscillators that stay continuous through
// pitch sweeps, harmonic timbres, smooth gates, filters and seeded noise. Everything
// is deterministic so the same source always gives the same files.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tavelin::sound {

using Samples = std::vector<float>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// xorshift32: tiny, fast and identical on every platform, unlike std:: distributions.
class CNoise {
public:
    explicit CNoise(std::uint32_t seed) : state_(seed != 0 ? seed : 0x9E3779B9u) {}
    // Uniform in [-1, 1).
    double Next();
    double Uniform(double lo, double hi);

private:
    std::uint32_t state_;
};

// Integrates the frequency sample by sample, so a sweep or a jump in pitch never
// breaks the waveform (a phase jump is an audible click).
class COscillator {
public:
    explicit COscillator(int sampleRate) : rate_(sampleRate) {}
    // Advances by one sample at freqHz and returns the new phase in [0, 1).
    double Step(double freqHz);
    double Phase() const { return phase_; }
    void Reset() { phase_ = 0.0; }

private:
    double phase_ = 0.0;
    int rate_;
};

// Sum of sines at the harmonics 1, 2, 3 ... of the phase, weighted by amps. Built
// from sines, the timbre has no aliasing as long as the top harmonic stays below
// half the sample rate (the callers' pitches leave room for that).
double Harmonics(double phase, std::initializer_list<double> amps);

// Odd harmonics only, the hollow square-like voice of piezo sirens, limited to the
// harmonics below `ceilingHz` so a high pitch does not alias.
double SquareVoice(double phase, double freqHz, double ceilingHz);

// All harmonics falling as 1/k (a sawtooth), limited the same way: a buzzy, bright voice.
double SawVoice(double phase, double freqHz, double ceilingHz);

// Raised-cosine gate: 0 before start and after end, 1 between, with ramps of
// `ramp` seconds inside [start, end]; keeps beeps free of clicks.
double Gate(double t, double start, double end, double ramp);

// Attack then exponential decay, 0 before start.
double Strike(double t, double start, double attack, double decay);

// Second-order filter (direct form I), coefficients after R. Bristow-Johnson.
class CBiquad {
public:
    static CBiquad BandPass(int sampleRate, double centreHz, double q);
    static CBiquad LowPass(int sampleRate, double cutoffHz, double q);
    static CBiquad HighPass(int sampleRate, double cutoffHz, double q);
    double Process(double x);
    // Takes another design's coefficients but keeps this filter's history, so a
    // formant can move during a sound without a click.
    void Retune(const CBiquad& design);

private:
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Fades the first and last moments so a sound never starts or stops on a step.
void FadeEdges(Samples& samples, int sampleRate, double inSeconds, double outSeconds);

// Scales the whole sound so its largest sample is `peak` (below 1: no clipping).
void Normalise(Samples& samples, double peak);

// Soft saturation that keeps a loud horn harsh without hard clipping.
double SoftClip(double x, double drive);

}  // namespace tavelin::sound
