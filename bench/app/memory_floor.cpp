// The libraries' share of the program's resident memory: what a bare program on the
// same libraries holds with nothing of its own. scripts/memory-report reads it
// beside the program's.
//
//   memory_floor qt=WxH            a QApplication (Fusion style, as the program) with
//                                  one plain window of WxH shown
//   memory_floor gst=WxH           GStreamer initialised, the synthetic camera's live
//                                  YUY2 test pattern (640x480 at 30 frames a second, or
//                                  camera=WxH) scaled to WxH, into a fakesink
//   memory_floor qt=WxH gst=WxH    both in one process: the floor the program stands on
//
// Prints "ready" once the window is shown and the pipeline plays, then runs until
// it is ended by a signal.

#include <gst/gst.h>

#include <QApplication>
#include <QStyleFactory>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    bool qt = false;
    bool gst = false;
    int windowWidth = 0;
    int windowHeight = 0;
    int width = 0;
    int height = 0;
    int cameraWidth = 640;
    int cameraHeight = 480;
    for (int i = 1; i < argc; ++i) {
        if (std::sscanf(argv[i], "qt=%dx%d", &windowWidth, &windowHeight) == 2) {
            qt = true;
        } else if (std::sscanf(argv[i], "gst=%dx%d", &width, &height) == 2) {
            gst = true;
        } else if (std::sscanf(argv[i], "camera=%dx%d", &cameraWidth, &cameraHeight) == 2) {
        } else {
            std::fprintf(stderr, "usage: memory_floor [qt=WxH] [gst=WxH [camera=WxH]]\n");
            return 2;
        }
    }

    GstElement* pipeline = nullptr;
    if (gst) {
        gst_init(nullptr, nullptr);
        const std::string launch =
            "videotestsrc is-live=true pattern=ball ! video/x-raw,format=YUY2,width=" +
            std::to_string(cameraWidth) + ",height=" + std::to_string(cameraHeight) +
            ",framerate=30/1 ! videoscale ! video/x-raw,width=" + std::to_string(width) +
            ",height=" + std::to_string(height) + " ! fakesink sync=false";
        pipeline = gst_parse_launch(launch.c_str(), nullptr);
        if (pipeline == nullptr ||
            gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            std::fprintf(stderr, "memory_floor: the pipeline does not play\n");
            return 1;
        }
    }
    if (!qt) {
        std::printf("ready\n");
        std::fflush(stdout);
        GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
        g_main_loop_run(loop);  // until a signal ends the process
        return 0;
    }

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QWidget window;
    window.resize(windowWidth, windowHeight);
    window.show();
    QTimer::singleShot(500, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    const int result = app.exec();
    if (pipeline != nullptr) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
    return result;
}
