#include "web/PictureTap.h"

#include <gst/gst.h>

#include <vector>

namespace tavelin {

CCaptureGraph::FrameTapFn PublishInto(CLivePicture& picture) {
    return [&picture](GstSample* sample, std::int64_t captureNs) {
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer == nullptr || !gst_buffer_map(buffer, &map, GST_MAP_READ))
            return;
        std::vector<std::uint8_t> jpeg(map.data, map.data + map.size);
        gst_buffer_unmap(buffer, &map);
        picture.Publish(std::move(jpeg), captureNs);
    };
}

}  // namespace tavelin
