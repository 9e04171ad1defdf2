#include <malloc.h>

#include "app/AppLog.h"
#include "app/CameraApp.h"

int main(int argc, char** argv) {
    // Blocks of 128 KiB and more (frames, pictures, video buffers) get pages of their
    // own, given back to the system when freed. Left alone, glibc raises this threshold
    // once such a block is freed, and later frames then stay resident in the heap after
    // the size changes.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    // Before anything can fail: every layer's messages go through the Qt categories.
    tavelin::InstallLogSink();
    tavelin::CCameraApp app(argc, argv);
    app.InitInstance();
    return 0;
}
