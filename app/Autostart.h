#pragma once
// Starting the program with the desktop session: an XDG autostart entry,
// "tavelin-video-center.desktop" in the user's autostart folder
// ($XDG_CONFIG_HOME/autostart, ~/.config/autostart by default). The entry is the
// installed desktop entry; a program run from its build folder starts that program.

#include <QString>

namespace tavelin {

class CAutostart {
public:
    static QString EntryPath();
    // The entry is there and not switched off by its own Hidden=true.
    static bool IsEnabled();
    // Writes the entry (on) or removes it (off). False, with the reason in `why` and the
    // log, when that fails; nothing half-written is left.
    static bool Set(bool on, QString& why);
};

}  // namespace tavelin
