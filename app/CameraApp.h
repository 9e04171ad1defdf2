#pragma once
// The application object: runs the main window; when the window is done, the
// program ends.

#include <QApplication>
#include <string>

namespace tavelin {

// What the command line and the desktop decided before the application object exists.
struct AppOptions {
    std::string cameraPattern;  // part of the camera's name; empty: see core/CameraChoice.h
    bool systemMove = false;    // window drags are handed to the compositor
};

class CCameraApp : public QApplication {
public:
    CCameraApp(int& argc, char** argv, AppOptions options = {});
    // Always false: the program has no message loop of its own after the main window.
    bool InitInstance();
    // The program's exit status after InitInstance: 1 when it could not start (no camera
    // to use), else 0.
    int exitStatus() const { return exitStatus_; }

private:
    AppOptions options_;
    int exitStatus_ = 0;
};

}  // namespace tavelin
