#include "app/AppLog.h"
#include "app/CameraApp.h"

int main(int argc, char** argv) {
    // Before anything can fail: every layer's messages go through the Qt categories.
    tavelin::InstallLogSink();
    tavelin::CCameraApp app(argc, argv);
    app.InitInstance();
    return 0;
}
