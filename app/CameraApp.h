#pragma once
// The application object: runs the main window; when the window is done, the
// program ends.

#include <QApplication>

namespace tavelin {

class CCameraApp : public QApplication {
public:
    CCameraApp(int& argc, char** argv);
    // Always false: the program has no message loop of its own after the main window.
    bool InitInstance();
};

}  // namespace tavelin
