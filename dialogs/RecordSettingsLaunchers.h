#pragma once
// The main window's commands that open the recording settings dialogs. Each asks the
// frame step to pause while its dialog is up. The main window reads its controls into
// the arguments before the call and writes them back after it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/RecordSettingsRules.h"
#include "core/SessionSettings.h"
#include "core/StorageLimits.h"
#include "dialogs/RecordSettingsHost.h"

class QComboBox;
class QWidget;

namespace tavelin {

// The master stream: `choices.masterStream` takes the last one clicked.
void RunAudioSettings(IRecordSettingsHost& host, QWidget* parent, RecordingChoices& choices);

// The cameras the video settings offer, and the one in use: on OK, the one chosen.
struct CameraSelection {
    std::vector<std::string> names;
    std::string camera;
};

// The storage limits the video settings edit, and what the recording folder held at the
// last check (shown only): on OK, `limits` takes the ones stored.
struct StorageSelection {
    StorageLimits limits;
    StorageSummary summary;
};

// The camera, the save folder, the counter and the storage limits. The dialog opens on
// the numbered name for the folder of `aviPathText` and `fileCounter`, which becomes the
// stored path. On OK (true) `fileCounter` is read back from the counter file,
// `aviPathText` becomes the stored recording path, `cameras.camera` the camera chosen
// and `storage.limits` the limits; otherwise all stay. `openWebShare`, when given, opens
// the "Web and RTSP" dialog over the one passed to it, from the dialog's button.
bool RunVideoSettings(IRecordSettingsHost& host, QWidget* parent, std::string& aviPathText,
                      std::int32_t& fileCounter, RecordingChoices& choices,
                      CameraSelection* cameras = nullptr, StorageSelection* storage = nullptr,
                      const std::function<void(QWidget* over)>& openWebShare = {});

// The main window's copies of the three lists.
struct MainWindowLists {
    QComboBox* videoCompressors = nullptr;
    QComboBox* audioCompressors = nullptr;
    QComboBox* audioDevices = nullptr;
};

// Where the Record settings dialog gets its lists; empty: the capture engine.
using CodecListSource = std::function<CodecLists()>;

// The recording settings. The dialog opens on the numbered name for the folder of
// `aviPathText` and `fileCounter`, and `choices` takes what it leaves (see
// CRecordSettingsDlg::choices). On OK (true) the main window's lists get placeholder
// entries where they are too short for the stored selections, the two compressor lists
// select them, and `aviPathText` becomes the stored recording path.
bool RunRecordSettings(IRecordSettingsHost& host, QWidget* parent, std::string& aviPathText,
                       std::int32_t fileCounter, RecordingChoices& choices,
                       const MainWindowLists& lists, const CodecListSource& source = {});

// Appends placeholder entries until `list` has a position `index` (a list filled at
// start-up may lack an entry that was installed since).
void PadWithPlaceholders(QComboBox& list, std::int32_t index);

}  // namespace tavelin
