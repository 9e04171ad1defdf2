#pragma once
// The seven alarm sounds offered by the Monitor Settings dialog, in list order:
// file n of the "Alarm" folder is entry n here.

#include <array>

#include "resources/soundgen/Synth.h"

namespace tavelin::sound {

constexpr int kAlarmSampleRate = 44100;

Samples CarAlarm(int sampleRate);
Samples PoliceSiren(int sampleRate);
Samples SmurfInvasion(int sampleRate);
Samples BarkingDog(int sampleRate);
Samples SystemOverload(int sampleRate);
Samples SystemMalfunction(int sampleRate);
Samples JailBreak(int sampleRate);

struct AlarmSound {
    const char* name;  // as the dialog lists it
    Samples (*make)(int sampleRate);
};

inline constexpr std::array<AlarmSound, 7> kAlarmSounds{{
    {"car alarm", &CarAlarm},
    {"police siren", &PoliceSiren},
    {"smurf invasion", &SmurfInvasion},
    {"barking dog", &BarkingDog},
    {"system overload", &SystemOverload},
    {"system malfunction", &SystemMalfunction},
    {"jail break", &JailBreak},
}};

}  // namespace tavelin::sound
