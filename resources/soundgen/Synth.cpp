#include "resources/soundgen/Synth.h"

#include <algorithm>
#include <cmath>

namespace tavelin::sound {

double CNoise::Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
}

double CNoise::Uniform(double lo, double hi) {
    return lo + (hi - lo) * (Next() + 1.0) * 0.5;
}

double COscillator::Step(double freqHz) {
    phase_ += freqHz / rate_;
    phase_ -= std::floor(phase_);
    return phase_;
}

double Harmonics(double phase, std::initializer_list<double> amps) {
    double sum = 0.0;
    int k = 1;
    for (double a : amps) {
        sum += a * std::sin(kTwoPi * k * phase);
        ++k;
    }
    return sum;
}

double SquareVoice(double phase, double freqHz, double ceilingHz) {
    double sum = 0.0;
    for (int k = 1; k * freqHz < ceilingHz; k += 2) {
        sum += std::sin(kTwoPi * k * phase) / k;
    }
    return sum;
}

double SawVoice(double phase, double freqHz, double ceilingHz) {
    double sum = 0.0;
    for (int k = 1; k * freqHz < ceilingHz; ++k) {
        sum += std::sin(kTwoPi * k * phase) / k;
    }
    return sum;
}

double Gate(double t, double start, double end, double ramp) {
    if (t < start || t >= end) {
        return 0.0;
    }
    const double r = std::min(ramp, (end - start) / 2.0);
    if (r <= 0.0) {
        return 1.0;
    }
    const double edge = std::min(t - start, end - t);
    if (edge >= r) {
        return 1.0;
    }
    return 0.5 - 0.5 * std::cos(kPi * edge / r);
}

double Strike(double t, double start, double attack, double decay) {
    if (t < start) {
        return 0.0;
    }
    const double dt = t - start;
    if (dt < attack) {
        return 0.5 - 0.5 * std::cos(kPi * dt / attack);
    }
    return std::exp(-(dt - attack) / decay);
}

namespace {

struct RbjParts {
    double cosw;
    double alpha;
};

RbjParts Rbj(int sampleRate, double hz, double q) {
    const double w = kTwoPi * hz / sampleRate;
    return {std::cos(w), std::sin(w) / (2.0 * q)};
}

}  // namespace

CBiquad CBiquad::BandPass(int sampleRate, double centreHz, double q) {
    const auto [cosw, alpha] = Rbj(sampleRate, centreHz, q);
    const double a0 = 1.0 + alpha;
    CBiquad f;
    f.b0_ = alpha / a0;
    f.b1_ = 0.0;
    f.b2_ = -alpha / a0;
    f.a1_ = -2.0 * cosw / a0;
    f.a2_ = (1.0 - alpha) / a0;
    return f;
}

CBiquad CBiquad::LowPass(int sampleRate, double cutoffHz, double q) {
    const auto [cosw, alpha] = Rbj(sampleRate, cutoffHz, q);
    const double a0 = 1.0 + alpha;
    CBiquad f;
    f.b0_ = (1.0 - cosw) / 2.0 / a0;
    f.b1_ = (1.0 - cosw) / a0;
    f.b2_ = f.b0_;
    f.a1_ = -2.0 * cosw / a0;
    f.a2_ = (1.0 - alpha) / a0;
    return f;
}

CBiquad CBiquad::HighPass(int sampleRate, double cutoffHz, double q) {
    const auto [cosw, alpha] = Rbj(sampleRate, cutoffHz, q);
    const double a0 = 1.0 + alpha;
    CBiquad f;
    f.b0_ = (1.0 + cosw) / 2.0 / a0;
    f.b1_ = -(1.0 + cosw) / a0;
    f.b2_ = f.b0_;
    f.a1_ = -2.0 * cosw / a0;
    f.a2_ = (1.0 - alpha) / a0;
    return f;
}

double CBiquad::Process(double x) {
    const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
}

void CBiquad::Retune(const CBiquad& design) {
    b0_ = design.b0_;
    b1_ = design.b1_;
    b2_ = design.b2_;
    a1_ = design.a1_;
    a2_ = design.a2_;
}

void FadeEdges(Samples& samples, int sampleRate, double inSeconds, double outSeconds) {
    const auto n = static_cast<long>(samples.size());
    const long fadeIn = std::min(n, std::lround(inSeconds * sampleRate));
    const long fadeOut = std::min(n, std::lround(outSeconds * sampleRate));
    for (long i = 0; i < fadeIn; ++i) {
        samples[i] *= static_cast<float>(0.5 - 0.5 * std::cos(kPi * i / fadeIn));
    }
    for (long i = 0; i < fadeOut; ++i) {
        samples[n - 1 - i] *= static_cast<float>(0.5 - 0.5 * std::cos(kPi * i / fadeOut));
    }
}

void Normalise(Samples& samples, double peak) {
    float largest = 0.0f;
    for (float s : samples) {
        largest = std::max(largest, std::fabs(s));
    }
    if (largest <= 0.0f) {
        return;
    }
    const auto scale = static_cast<float>(peak / largest);
    for (float& s : samples) {
        s *= scale;
    }
}

double SoftClip(double x, double drive) {
    return std::tanh(x * drive) / std::tanh(drive);
}

}  // namespace tavelin::sound
