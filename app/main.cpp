#include "CameraApp.h"

int main(int argc, char** argv) {
    tavelin::CCameraApp app(argc, argv);
    app.InitInstance();
    return 0;
}
