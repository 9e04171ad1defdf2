#pragma once
// The choices kept from one run to the next, in one settings file (QSettings' INI
// format): record on motion, the camera, the storage limits, the alerts and the web
// page with the RTSP share. Everything else the user chooses lasts for one run.
//
// Only a regular file (or none yet) is read or written: anything else under the name
// (a FIFO would block the program for good, a folder cannot hold settings) leaves the
// defaults in use, says why in the log, and is never written over.
//
// While the file holds the broker's password or the web password's hash it is readable
// by its owner only (mode 0600), from before the secret is first written: a new file is
// created private and an existing one is made private before any write. Once made
// private the file stays so, also after the secret is removed: the program never widens
// a file's mode, so one the user narrowed by hand is left as it is. A write that cannot
// keep the file private writes nothing.

#include <string>

#include "core/AlertSettings.h"
#include "core/SessionSettings.h"
#include "core/StorageLimits.h"
#include "core/WebSettings.h"

namespace tavelin {

class CUserSettings {
public:
    // What was stored, with missing or unreadable values at their defaults and numbers
    // brought into their ranges.
    static MotionRecordSetup LoadMotionRecord();
    // False (logged) when the settings could not be written.
    static bool SaveMotionRecord(const MotionRecordSetup& setup);

    // The camera chosen in the video settings, by its name; empty when none was chosen.
    static std::string LoadCameraName();
    static bool SaveCameraName(const std::string& name);

    // The storage limits of the video settings, in their ranges; defaults where missing
    // or unreadable.
    static StorageLimits LoadStorageLimits();
    static bool SaveStorageLimits(const StorageLimits& limits);

    // Who is told of events and how (groups Notifications, Events and Mqtt), within
    // the rules of core/AlertSettingsRules.h; defaults where missing or unusable.
    static AlertSettings LoadAlerts();
    static bool SaveAlerts(const AlertSettings& alerts);

    // The web page (group Web) and the RTSP share (group Rtsp), within the rules of
    // core/WebSettingsRules.h; defaults where missing or unusable. TAVELIN_WEB_PASSWORD,
    // set and not empty, is the password: LoadWeb gives its hash and stores it, unless
    // the stored hash is of that password already (a new salt at every start would
    // rewrite the file each time).
    static WebSettings LoadWeb();
    static bool SaveWeb(const WebSettings& web);
    static RtspSettings LoadRtsp();
    static bool SaveRtsp(const RtspSettings& rtsp);
};

}  // namespace tavelin
