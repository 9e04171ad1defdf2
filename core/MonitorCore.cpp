#include "core/MonitorCore.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "core/FrameFormat.h"
#include "core/Log.h"

namespace tavelin {

bool CMonitorCore::AnyRecordExceeds(const CMotionDetector& source, std::uint32_t maxWidth,
                                    std::uint32_t maxHeight) {
    const RegionRecord* records = source.regions();
    if (records == nullptr)
        return false;
    for (int n = 0; n <= source.lastRegion(); ++n) {
        const RegionRecord& r = records[n];
        if (r.lastCol - r.firstCol > maxWidth || r.lastRow - r.firstRow > maxHeight)
            return true;
    }
    return false;
}

void CMonitorCore::MonitorStep(const std::uint8_t* source, std::size_t sourceBytes,
                               std::uint8_t mode, int frameWidth, int frameHeight, IAlarm* alarm,
                               const std::string& alarmSoundPath) {
    motionAtAlarmLevel = false;
    const std::size_t frameBytes = FrameBytes(frameWidth, frameHeight);
    if (source == nullptr || frameBytes == 0 || sourceBytes != frameBytes)
        return;

    // Records count only when this frame was compared: a frame the detector
    // refuses (not set up for this size) must not re-trigger on old records.
    bool compared = false;
    if (ModeHasDetection(mode)) {
        compared = detector.Detect(source, sourceBytes);
        motionAtAlarmLevel =
            compared && AnyRecordExceeds(detector, kAlarmMinWidth, kAlarmMinHeight);
        if (motionAtAlarmLevel && alarm != nullptr)
            alarm->PlayAlarm(alarmSoundPath);
        zoomDivider = 1;
    } else if (watchMotion) {
        motionAtAlarmLevel = motionWatch.Detect(source, sourceBytes) &&
                             AnyRecordExceeds(motionWatch, kAlarmMinWidth, kAlarmMinHeight);
    }

    if (ModeHasTracking(mode)) {
        ++trackHoldoff;
        if (trackHoldoff > kTrackHoldoff) {
            trackHoldoff = kTrackHoldoff;
            // With detection on, this frame's records are already there.
            if (!ModeHasDetection(mode)) {
                compared = detector.Detect(source, sourceBytes);
                zoomDivider = 1;
            }
            if (compared && AnyRecordExceeds(detector, kObjectMinWidth, kObjectMinHeight)) {
                if (objectCount < std::numeric_limits<std::int32_t>::max())
                    ++objectCount;
                motionShotPending = true;
                trackHoldoff = 0;
            }
        }
    }

    if (ModeHasZoom(mode))
        ZoomStage(source, sourceBytes, frameWidth, frameHeight);
}

void CMonitorCore::ZoomStage(const std::uint8_t* source, std::size_t sourceBytes, int frameWidth,
                             int frameHeight) {
    if (!zoomReady) {
        zoomDivider = 0;
        zoomPercent = 100;
        zoomReady = true;
        panBack = zoomBack = false;
        panX = panY = 0;
        panStep = frameWidth == 320 ? 5 : 10;
        if (zoomFrame.size() == sourceBytes)
            std::memcpy(zoomFrame.data(), source, sourceBytes);
        return;
    }
    // Advances on every second frame, or on every frame the detector ran on.
    if (++zoomDivider <= 1)
        return;
    zoomDivider = 0;
    const bool canShow = zoomFrame.size() == sourceBytes && detector.initialised() &&
                         detector.width() == frameWidth && detector.height() == frameHeight;
    AdvanceZoom(canShow ? source : nullptr, frameWidth, frameHeight);
}

void CMonitorCore::AdvanceZoom(const std::uint8_t* source, int frameWidth, int frameHeight) {
    const auto show = [&](std::uint32_t x0, std::uint32_t y0) {
        if (source != nullptr)
            detector.ScaleView(source, zoomFrame.data(), zoomPercent, x0, y0);
    };
    const auto halfWidth = static_cast<std::uint32_t>(frameWidth / 2);
    const auto halfHeight = static_cast<std::uint32_t>(frameHeight / 2);

    if (zoomBack) {
        if (zoomPercent < 100) {
            ++zoomPercent;
            show(0, 0);
        } else {
            panX = panY = 0;
            zoomPercent = 100;
            zoomBack = false;
        }
    } else if (zoomPercent > 50) {
        --zoomPercent;
        show(0, 0);
    } else if (panBack) {
        // Saturating, so a position off the step grid still ends at the origin.
        if (panX > 0) {
            panX -= std::min<std::uint32_t>(panX, panStep);
            show(panX, panY);
        } else if (panY > 0) {
            panY -= std::min<std::uint32_t>(panY, panStep);
            show(panX, panY);
        } else {
            panX = panY = 0;
            panBack = false;
            zoomBack = true;
        }
    } else if (panX < halfWidth) {
        panX += panStep;
        show(panX, 0);
    } else if (panY < halfHeight) {
        panY += panStep;
        show(panX, panY);
    } else {
        panBack = true;
    }
}

bool CMonitorCore::SetUpMonitor(int frameWidth, int frameHeight) {
    if (frameWidth > kMaxSetUpWidth)
        return true;
    if (!monitorOn) {
        Release();
        return true;
    }
    const std::string size = std::to_string(frameWidth) + "x" + std::to_string(frameHeight);
    if (!detector.Init(frameWidth, frameHeight) ||
        (watchMotion && !motionWatch.Init(frameWidth, frameHeight))) {
        detector.Release();
        motionWatch.Release();
        Log(LogArea::Monitor, LogLevel::Warning,
            "monitor: the motion detector cannot be set up for " + size +
                (frameWidth < 0 || frameHeight < 0 ? ": no such size" : ": out of memory"));
        return false;
    }
    if (!watchMotion)
        motionWatch.Release();
    try {
        zoomFrame.assign(FrameBytes(frameWidth, frameHeight), 0);
    } catch (const std::bad_alloc&) {
        Release();
        Log(LogArea::Monitor, LogLevel::Warning,
            "monitor: no memory for the zoom picture at " + size);
        return false;
    }
    zoomReady = false;
    return true;
}

void CMonitorCore::Release() {
    detector.Release();
    motionWatch.Release();
    std::vector<std::uint8_t>().swap(zoomFrame);
}

}  // namespace tavelin
