#include "resources/artgen/Mockup.h"

#include <QPainter>

#include "resources/ResourceIds.h"
#include "resources/artgen/Layout.h"
#include "resources/artgen/PaintKit.h"

namespace tavelin::art {

namespace {

struct Control {
    int normal;
    int down;
    int mask;
    QPoint place;
    bool downWhenActive;
};

// Copies `face` onto `target` at `at` wherever `mask` is black.
void Blit(QImage& target, const QImage& face, const QImage& mask, QPoint at) {
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            if (mask.isNull() || qRed(mask.pixel(x, y)) == 0) {
                target.setPixel(at.x() + x, at.y() + y, face.pixel(x, y));
            }
        }
    }
}

void PaintStandInList(QPainter& p, QRect r, const QString& text) {
    p.save();
    p.setClipRect(r);
    p.setPen(QColor(0x7A, 0x85, 0x91));
    p.setBrush(Qt::white);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setClipRect(r.adjusted(1, 1, -16, -1));
    DrawLabel(p, QRectF(r.adjusted(4, 0, -18, 0)), text, UiFont(9), QColor(0x20, 0x20, 0x20),
              Qt::AlignLeft | Qt::AlignVCenter);
    p.setClipRect(r);
    p.fillRect(r.right() - 15, r.top() + 1, 15, r.height() - 2, QColor(0xE6, 0xE9, 0xED));
    p.setPen(QColor(0x30, 0x30, 0x30));
    const int cx = r.right() - 8;
    const int cy = r.center().y();
    for (int i = 0; i < 3; ++i) {
        p.drawLine(cx - 2 + i, cy - 1 + i, cx + 2 - i, cy - 1 + i);
    }
    p.restore();
}

}  // namespace

QImage ComposeMockup(const CArtCatalog& catalog, bool active) {
    using namespace ids;
    QImage window = catalog.Picture(kBitmapSkin).convertToFormat(QImage::Format_RGB32);
    const Control controls[] = {
        {kBitmapClose, kBitmapClose, kBitmapCloseMask, kCloseKnob, false},
        {kBitmapMinimise, kBitmapMinimise, kBitmapMinimiseMask, kMinimiseKnob, false},
        {kBitmapSettings, kBitmapSettingsAudioDown, kBitmapMaskFace, {271, 33}, false},
        {kBitmapAudioEnable, kBitmapAudioDisableDown, kBitmapMaskFace, {271, 56}, true},
        {kBitmapSettings, kBitmapSettingsVideoDown, kBitmapMaskFace, {271, 90}, false},
        {kBitmapSizeDefault, kBitmapSizeDefaultDown, kBitmapMaskFace, kSizeButtons[0], !active},
        {kBitmapSize320, kBitmapSize320Down, kBitmapMaskFace, kSizeButtons[1], active},
        {kBitmapSize640, kBitmapSize640Down, kBitmapMaskFace, kSizeButtons[2], false},
        {kBitmapSize800, kBitmapSize800Down, kBitmapMaskFace, kSizeButtons[3], false},
        {kBitmapSize1280, kBitmapSize1280Down, kBitmapMaskFace, kSizeButtons[4], false},
        {kBitmapSize1600, kBitmapSize1600Down, kBitmapMaskFace, kSizeButtons[5], false},
        {kBitmapShowTime, kBitmapShowTimeDown, kBitmapMaskFace, kCommandButtons[0], false},
        {kBitmapTimerShot, kBitmapTimerShotDown, kBitmapMaskFace, kCommandButtons[1], false},
        {kBitmapSnapShot, kBitmapSnapShotDown, kBitmapMaskFace, kCommandButtons[2], false},
        {kBitmapSaveFile, kBitmapSaveFileDown, kBitmapMaskFace, kCommandButtons[3], false},
        {kBitmapMonitor, kBitmapMonitorDown, kBitmapMaskFace, kCommandButtons[4], true},
        {kBitmapRecorder, kBitmapRecorderDown, kBitmapMaskFace, kCommandButtons[5], true},
        {kBitmapProperty, kBitmapPropertyDown, kBitmapMaskFace, kCommandButtons[6], false},
        {kBitmapAbout, kBitmapAboutDown, kBitmapMaskFace, kCommandButtons[7], false},
    };
    for (const Control& c : controls) {
        const int id = active && c.downWhenActive ? c.down : c.normal;
        Blit(window, catalog.Picture(id), catalog.Picture(c.mask), c.place);
    }
    if (active) {
        Blit(window, catalog.Picture(kBitmapAudioStrip), catalog.Picture(kBitmapStripMask), kStrip);
        Blit(window, catalog.Picture(kBitmapRecordLight), catalog.Picture(kBitmapRecordLightMask),
             kCommandButtons[5]);
        Blit(window, catalog.Picture(kBitmapEye), catalog.Picture(kBitmapEyeMask),
             kCommandButtons[4]);
    }
    QPainter p(&window);
    PaintStandInList(p, {kListX, 33, kListWidth, 21}, QStringLiteral("Test Tone Microphone"));
    PaintStandInList(p, {kListX, 56, kListWidth, 21}, QStringLiteral("PCM"));
    PaintStandInList(p, {kListX, 90, kListWidth, 20},
                     QStringLiteral("/home/ann/Tavelin-00000.avi"));
    PaintStandInList(p, {kListX, 113, kVideoListWidth, 21}, QStringLiteral("Motion JPEG encoder"));
    p.end();
    return window;
}

}  // namespace tavelin::art
