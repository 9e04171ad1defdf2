#include "resources/soundgen/AlarmSounds.h"

#include <algorithm>
#include <cmath>

namespace tavelin::sound {

namespace {

// Loud but with headroom: 16-bit full scale is never reached.
constexpr double kPeak = 0.89;

// Calls make(t) once per sample, in time order (the generators keep state).
template <typename F>
Samples Render(int sampleRate, double seconds, F&& make) {
    Samples out(static_cast<std::size_t>(std::lround(seconds * sampleRate)));
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<float>(make(static_cast<double>(i) / sampleRate));
    }
    return out;
}

Samples Finish(Samples samples, int sampleRate) {
    Normalise(samples, kPeak);
    FadeEdges(samples, sampleRate, 0.008, 0.06);
    return samples;
}

// Harmonics stop well below the Nyquist frequency.
double Ceiling(int sampleRate) {
    return 0.42 * sampleRate;
}

}  // namespace

// Three phases like a real car alarm cycling its tones: rising whoops, a two-tone
// warble, then rapid beeps, all in the piezo siren's square voice.
Samples CarAlarm(int sampleRate) {
    COscillator osc(sampleRate);
    const double ceiling = Ceiling(sampleRate);
    auto samples = Render(sampleRate, 3.3, [&](double t) {
        double freq = 0.0;
        double amp = 1.0;
        if (t < 1.2) {
            const double u = std::fmod(t, 0.2) / 0.2;
            freq = 750.0 + 1450.0 * std::pow(u, 0.75);
        } else if (t < 2.3) {
            // Short glides between the two tones keep the warble from clicking.
            const double u = std::fmod(t - 1.2, 1.0 / 7.0) * 7.0;
            const double s = std::clamp((std::fabs(u - 0.5) - 0.22) * 14.0, -1.0, 1.0);
            freq = 1600.0 + 250.0 * s;
            // The beeps start from silence; end the warble softly to meet them.
            amp = Gate(t, 1.0, 2.3, 0.004);
        } else {
            freq = 2050.0;
            amp = Gate(std::fmod(t - 2.3, 0.125), 0.0, 0.075, 0.004);
        }
        return amp * SquareVoice(osc.Step(freq), freq, ceiling);
    });
    return Finish(std::move(samples), sampleRate);
}

// The "wail": a slow climb to a high tone, a short hold and a long fall, in a
// bright horn voice softened by a low-pass like a loudspeaker horn.
Samples PoliceSiren(int sampleRate) {
    COscillator osc(sampleRate);
    auto horn = CBiquad::LowPass(sampleRate, 3800.0, 0.8);
    auto samples = Render(sampleRate, 3.6, [&](double t) {
        constexpr double kLow = 620.0;
        constexpr double kHigh = 1480.0;
        double shape = 0.0;
        if (t < 1.5) {
            const double u = t / 1.5;
            shape = 1.0 - (1.0 - u) * (1.0 - u);
        } else if (t < 1.85) {
            shape = 1.0;
        } else {
            const double u = (t - 1.85) / 1.75;
            shape = 1.0 - u * u * (0.4 + 0.6 * u);
        }
        const double freq = kLow + (kHigh - kLow) * shape;
        const double phase = osc.Step(freq);
        const double voice = Harmonics(phase, {1.0, 0.5, 0.32, 0.2, 0.12, 0.07});
        return horn.Process(voice);
    });
    return Finish(std::move(samples), sampleRate);
}

// A crowd of tiny high voices: little groups of quick rising chirps that overlap,
// each voice at its own pitch, with a quick flutter like giggling.
Samples SmurfInvasion(int sampleRate) {
    constexpr double kSeconds = 3.0;
    Samples out(static_cast<std::size_t>(kSeconds * sampleRate), 0.0f);
    CNoise random(0x5EEDC0DEu);
    const double ceiling = Ceiling(sampleRate);
    double groupStart = 0.02;
    while (groupStart < kSeconds - 0.35) {
        const double base = random.Uniform(1900.0, 3100.0);
        const int chirps = 2 + static_cast<int>(random.Uniform(0.0, 2.99));
        const double spacing = random.Uniform(0.065, 0.09);
        const double level = random.Uniform(0.55, 1.0);
        for (int c = 0; c < chirps; ++c) {
            const double start = groupStart + c * spacing;
            const double length = random.Uniform(0.045, 0.07);
            const double rise = random.Uniform(1.35, 1.8);
            const double f0 = base * (1.0 + 0.08 * c);
            COscillator osc(sampleRate);
            const auto first = static_cast<std::size_t>(start * sampleRate);
            const auto count = static_cast<std::size_t>(length * sampleRate);
            for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
                const double u = static_cast<double>(i) / count;
                const double flutter = 1.0 + 0.04 * std::sin(kTwoPi * 38.0 * u * length);
                const double freq = f0 * (1.0 + (rise - 1.0) * u * u) * flutter;
                const double env = Gate(u * length, 0.0, length, 0.012);
                const double phase = osc.Step(freq);
                const double v =
                    freq * 2.0 < ceiling ? Harmonics(phase, {1.0, 0.22}) : std::sin(kTwoPi * phase);
                out[first + i] += static_cast<float>(0.35 * level * env * v);
            }
        }
        groupStart += random.Uniform(0.12, 0.26);
    }
    return Finish(std::move(out), sampleRate);
}

// Each bark is a rough, falling voiced pulse train mixed with breath noise, shaped by
// three moving formants (the dog's mouth opening and closing: "w-oof"), with a
// short room echo. Barks come in pairs, as dogs bark.
Samples BarkingDog(int sampleRate) {
    struct Bark {
        double start;
        double length;
        double pitch;
    };
    constexpr Bark kBarks[] = {
        {0.08, 0.20, 430.0}, {0.42, 0.18, 470.0}, {1.12, 0.22, 410.0},
        {1.46, 0.19, 455.0}, {2.18, 0.21, 440.0}, {2.50, 0.24, 400.0},
    };
    constexpr double kSeconds = 3.0;
    Samples dry(static_cast<std::size_t>(kSeconds * sampleRate), 0.0f);
    CNoise noise(0xD06D06u);
    const double ceiling = std::min(7000.0, Ceiling(sampleRate));
    for (const Bark& bark : kBarks) {
        COscillator osc(sampleRate);
        auto f1 = CBiquad::BandPass(sampleRate, 600.0, 3.0);
        auto f2 = CBiquad::BandPass(sampleRate, 1500.0, 4.0);
        auto f3 = CBiquad::BandPass(sampleRate, 2700.0, 5.0);
        auto breath = CBiquad::BandPass(sampleRate, 1100.0, 1.2);
        const auto first = static_cast<std::size_t>(bark.start * sampleRate);
        const auto count = static_cast<std::size_t>((bark.length + 0.05) * sampleRate);
        for (std::size_t i = 0; i < count && first + i < dry.size(); ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            const double u = std::min(1.0, t / bark.length);
            // Pitch jumps up at the onset, then sags; jitter makes it rough.
            const double contour = u < 0.25 ? 0.85 + 0.6 * u : 1.0 - 0.45 * (u - 0.25);
            const double freq = bark.pitch * contour * (1.0 + 0.04 * noise.Next());
            const double voiced = SawVoice(osc.Step(freq), freq, ceiling);
            const double hiss = breath.Process(noise.Next());
            const double open = std::sin(kPi * std::min(1.0, u * 1.3));
            if (i % 32 == 0) {
                f1.Retune(CBiquad::BandPass(sampleRate, 450.0 + 450.0 * open, 3.0));
                f2.Retune(CBiquad::BandPass(sampleRate, 1100.0 + 500.0 * open, 4.0));
            }
            const double source = voiced + 2.2 * hiss;
            const double shaped =
                f1.Process(source) + 0.7 * f2.Process(source) + 0.35 * f3.Process(source);
            const double env = Strike(t, 0.0, 0.01, 0.085) * Gate(t, 0.0, bark.length + 0.05, 0.02);
            dry[first + i] += static_cast<float>(env * shaped);
        }
    }
    // Two early reflections, darkened, so the barks sound like a yard, not a box.
    Samples wet = dry;
    auto dull = CBiquad::LowPass(sampleRate, 2200.0, 0.7);
    const auto d1 = static_cast<std::size_t>(0.031 * sampleRate);
    const auto d2 = static_cast<std::size_t>(0.057 * sampleRate);
    for (std::size_t i = 0; i < wet.size(); ++i) {
        double echo = 0.0;
        if (i >= d1) {
            echo += 0.28 * dry[i - d1];
        }
        if (i >= d2) {
            echo += 0.16 * dry[i - d2];
        }
        wet[i] += static_cast<float>(dull.Process(echo));
    }
    return Finish(std::move(wet), sampleRate);
}

// Warning beeps that come faster and climb higher, as if a load keeps rising.
Samples SystemOverload(int sampleRate) {
    constexpr double kSeconds = 3.0;
    struct Beep {
        double start;
        double end;
        double freq;
    };
    std::vector<Beep> beeps;
    double start = 0.02;
    double interval = 0.3;
    while (start < kSeconds - 0.08) {
        const double progress = start / kSeconds;
        beeps.push_back(
            {start, start + std::max(0.035, 0.55 * interval), 880.0 + 1100.0 * progress});
        start += interval;
        interval = std::max(0.07, interval * 0.88);
    }
    COscillator osc(sampleRate);
    const double ceiling = std::min(9000.0, Ceiling(sampleRate));
    std::size_t next = 0;
    auto samples = Render(sampleRate, kSeconds, [&](double t) {
        while (next < beeps.size() && t >= beeps[next].end) {
            ++next;
        }
        if (next >= beeps.size()) {
            return 0.0;
        }
        const Beep& b = beeps[next];
        const double env = Gate(t, b.start, b.end, 0.005);
        // Keep the oscillator running between beeps so each starts mid-cycle cleanly.
        const double phase = osc.Step(b.freq);
        return env * SquareVoice(phase, b.freq, ceiling);
    });
    return Finish(std::move(samples), sampleRate);
}

// A power-down: a buzzy tone falling from a high pitch to a growl, with a wobble
// that grows and a stutter in its second half, darkening as it falls.
Samples SystemMalfunction(int sampleRate) {
    COscillator osc(sampleRate);
    auto tone = CBiquad::LowPass(sampleRate, 6000.0, 0.7);
    const double ceiling = Ceiling(sampleRate);
    int counter = 0;
    auto samples = Render(sampleRate, 3.0, [&](double t) {
        const double wobble = 1.0 + (0.015 + 0.03 * t) * std::sin(kTwoPi * 6.5 * t);
        const double freq = 1250.0 * std::exp(-1.05 * t) * wobble;
        if (counter++ % 32 == 0) {
            tone.Retune(CBiquad::LowPass(sampleRate, std::min(8000.0, 7.0 * freq), 0.7));
        }
        const double voice = SawVoice(osc.Step(freq), freq, ceiling);
        double stutter = 1.0;
        if (t > 1.4) {
            stutter = 0.55 + 0.45 * std::cos(kTwoPi * 9.0 * (t - 1.4));
        }
        return stutter * tone.Process(voice);
    });
    return Finish(std::move(samples), sampleRate);
}

// A prison klaxon: three harsh blasts, each scooping up in pitch at its start
// ("AH-OO"), buzzing with a rough amplitude rattle and driven into saturation.
Samples JailBreak(int sampleRate) {
    constexpr double kStarts[] = {0.04, 1.17, 2.30};
    constexpr double kBlast = 0.95;
    COscillator osc(sampleRate);
    auto body = CBiquad::BandPass(sampleRate, 1150.0, 1.4);
    const double ceiling = std::min(8000.0, Ceiling(sampleRate));
    auto samples = Render(sampleRate, 3.4, [&](double t) {
        double env = 0.0;
        double since = 0.0;
        for (double s : kStarts) {
            if (t >= s && t < s + kBlast) {
                env = Gate(t, s, s + kBlast, 0.012);
                since = t - s;
            }
        }
        const double scoop = since < 0.16 ? since / 0.16 : 1.0;
        const double freq = 250.0 + 170.0 * (1.0 - (1.0 - scoop) * (1.0 - scoop)) +
                            4.0 * std::sin(kTwoPi * 5.0 * t);
        const double phase = osc.Step(freq);
        const double raw =
            0.6 * SawVoice(phase, freq, ceiling) + 0.4 * SquareVoice(phase, freq, ceiling);
        const double rattle = 0.8 + 0.2 * std::sin(kTwoPi * 70.0 * t);
        const double driven = SoftClip(raw * rattle, 2.5);
        return env * (0.7 * driven + 1.6 * body.Process(driven));
    });
    return Finish(std::move(samples), sampleRate);
}

}  // namespace tavelin::sound
