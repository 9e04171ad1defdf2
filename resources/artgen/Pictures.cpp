#include "resources/artgen/Pictures.h"

#include "resources/ResourceIds.h"
#include "resources/artgen/FaceArt.h"
#include "resources/artgen/IconArt.h"
#include "resources/artgen/MascotArt.h"
#include "resources/artgen/MaskArt.h"
#include "resources/artgen/OverlayArt.h"
#include "resources/artgen/PaintKit.h"
#include "resources/artgen/Palette.h"
#include "resources/artgen/Shapes.h"
#include "resources/artgen/SkinArt.h"
#include "resources/artgen/SplashArt.h"

namespace tavelin::art {

namespace {

// A labelled push face in its light and its blue version.
void AddFacePair(CArtCatalog& catalog, int normalId, int downId, const char* label) {
    const QString text = QString::fromLatin1(label);
    catalog.AddPicture(normalId, DrawFace(text, FaceState::Normal));
    catalog.AddPicture(downId, DrawFace(text, FaceState::Down));
}

}  // namespace

void AddAllPictures(CArtCatalog& catalog) {
    catalog.AddPicture(ids::kBitmapSkin, DrawSkin());
    catalog.AddPicture(ids::kBitmapSplash, DrawSplash());
    catalog.AddPicture(ids::kBitmapAboutHidden, DrawAboutHidden());
    catalog.AddPicture(ids::kBitmapBadge, DrawBadge());
    catalog.AddPicture(ids::kBitmapCameraIcon, DrawCameraIcon());
    catalog.AddPicture(ids::kCursorButton, DrawButtonCursor());
    catalog.AddPicture(ids::kIconApp, DrawAppIcon(256));
    for (int size : kIconSizes) {
        catalog.AddFile(QStringLiteral("icons/%1.png").arg(size), DrawAppIcon(size));
    }

    // Title-bar knobs; the title bar's colour at the knobs' middle sits behind them.
    const QRgb titleMid = Mix(QColor(kTitleTop), QColor(kTitleBottom), 0.5).rgb();
    catalog.AddPicture(ids::kBitmapClose, DrawKnob(kLedRed, KnobSymbol::Cross, titleMid));
    catalog.AddPicture(ids::kBitmapMinimise, DrawKnob(kLedYellow, KnobSymbol::Bar, titleMid));
    catalog.AddPicture(ids::kBitmapCloseMask, KnobMask());
    catalog.AddPicture(ids::kBitmapMinimiseMask, KnobMask());

    // Settings panel.
    catalog.AddPicture(ids::kBitmapSettings,
                       DrawFace(QStringLiteral("Settings"), FaceState::Normal));
    catalog.AddPicture(ids::kBitmapSettingsAudioDown,
                       DrawFace(QStringLiteral("Settings"), FaceState::Down));
    catalog.AddPicture(ids::kBitmapSettingsVideoDown,
                       DrawFace(QStringLiteral("Settings"), FaceState::Down));
    catalog.AddPicture(ids::kBitmapAudioEnable,
                       DrawFace(QStringLiteral("Enable Audio"), FaceState::Normal));
    catalog.AddPicture(ids::kBitmapAudioDisableDown,
                       DrawFace(QStringLiteral("Disable Audio"), FaceState::Down));
    catalog.AddPicture(ids::kBitmapAudioEnableDisabled,
                       DrawFace(QStringLiteral("Enable Audio"), FaceState::Disabled));

    // Capture sizes.
    AddFacePair(catalog, ids::kBitmapSizeDefault, ids::kBitmapSizeDefaultDown, "Default");
    AddFacePair(catalog, ids::kBitmapSize320, ids::kBitmapSize320Down, "320x240");
    AddFacePair(catalog, ids::kBitmapSize640, ids::kBitmapSize640Down, "640x480");
    AddFacePair(catalog, ids::kBitmapSize800, ids::kBitmapSize800Down, "800x600");
    AddFacePair(catalog, ids::kBitmapSize1280, ids::kBitmapSize1280Down, "1280x960");
    AddFacePair(catalog, ids::kBitmapSize1600, ids::kBitmapSize1600Down, "1600x1200");

    // Commands.
    AddFacePair(catalog, ids::kBitmapShowTime, ids::kBitmapShowTimeDown, "Show Time");
    AddFacePair(catalog, ids::kBitmapTimerShot, ids::kBitmapTimerShotDown, "Timer Shot");
    AddFacePair(catalog, ids::kBitmapSnapShot, ids::kBitmapSnapShotDown, "Snap Shot");
    AddFacePair(catalog, ids::kBitmapSaveFile, ids::kBitmapSaveFileDown, "Save File");
    AddFacePair(catalog, ids::kBitmapAbout, ids::kBitmapAboutDown, "About");
    AddFacePair(catalog, ids::kBitmapProperty, ids::kBitmapPropertyDown, "Property");

    // Recorder with its light, Monitor with its eye; the lights are cut from the
    // faces they are shown over (the down faces: both only show while active).
    const QImage recording =
        DrawFace(QStringLiteral("Recording"), FaceState::Down, FaceMark::RedLight);
    catalog.AddPicture(ids::kBitmapRecorderDown, recording);
    catalog.AddPicture(ids::kBitmapRecorder, DrawFace(QStringLiteral("Recorder"), FaceState::Normal,
                                                      FaceMark::GreenLight));
    catalog.AddPicture(ids::kBitmapRecordLight, DrawRecordLight(recording, true));
    catalog.AddPicture(ids::kBitmapRecordLightOff, DrawRecordLight(recording, false));
    catalog.AddPicture(ids::kBitmapRecordLightMask, LightMask());

    const QImage monitoring = DrawFace(QStringLiteral("Monitor"), FaceState::Down, FaceMark::Eye);
    catalog.AddPicture(ids::kBitmapMonitorDown, monitoring);
    catalog.AddPicture(ids::kBitmapMonitor,
                       DrawFace(QStringLiteral("Monitor"), FaceState::Normal, FaceMark::Eye));
    catalog.AddPicture(ids::kBitmapEye, DrawMonitorEye(monitoring, true));
    catalog.AddPicture(ids::kBitmapEyeOff, DrawMonitorEye(monitoring, false));
    catalog.AddPicture(ids::kBitmapEyeMask, EyeMask());

    // Rectangular buttons and the audio strip.
    catalog.AddPicture(ids::kBitmapMaskFace, SolidMask(kFaceWidth, kFaceHeight));
    catalog.AddPicture(ids::kBitmapStripMask, SolidMask(kStripWidth, kStripHeight));
    catalog.AddPicture(ids::kBitmapAudioStrip, DrawAudioStrip(true));
}

}  // namespace tavelin::art
