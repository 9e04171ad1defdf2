#pragma once
// The two places the live picture can be shown: the outside preview window beside the
// main window, or the picture area inside it. One is in use at a time; this class
// creates, places and switches them, and paints frames on the one in use.

#include <QObject>
#include <cstdint>

class QWidget;

namespace tavelin {

class CPictureStatic;
class CPreviewWindow;

class CDisplaySurfaces : public QObject {
    Q_OBJECT

public:
    // `mainWindow`: the window the picture area belongs to (as its child) and the
    // preview sits beside (owned here, though Qt sees it as the main window's).
    // `systemMove`: the preview's drags are the compositor's (native Wayland).
    explicit CDisplaySurfaces(QWidget* mainWindow, bool systemMove = false);
    ~CDisplaySurfaces() override;

    // Paints a frame on the surface in use.
    void DrawFrame(const std::uint8_t* frame);
    // Places the surface in use for frames of this size and sets it up for them.
    void Resize(int width, int height);
    // Places a surface without setting it up (at start-up, before the first frame).
    void Place(bool outside, int width, int height);
    // Switches to the outside window (made if missing) or to the inside area (the
    // outside window then goes), for frames of this size.
    void Show(bool outside, int width, int height);
    // The outside window goes (the program ends).
    void DestroyPreviewWindow();

    bool outside() const { return outside_; }
    CPreviewWindow* previewWindow() const { return previewWindow_; }
    CPictureStatic* pictureStatic() const { return pictureStatic_; }

signals:
    // The user closed the outside window.
    void previewClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreatePreviewWindow(int width, int height);

    QWidget* mainWindow_;
    CPreviewWindow* previewWindow_ = nullptr;  // a top-level window owned by mainWindow_
    CPictureStatic* pictureStatic_ = nullptr;  // a child of mainWindow_
    bool systemMove_;
    bool outside_ = false;
    bool placing_ = false;
    // A new preview window is placed before a window manager has framed it; it is placed
    // again once its frame is known, unless the user has taken it elsewhere by then.
    bool awaitingFrame_ = false;
    int placedBorder_ = 0;               // the frame's width the last placement allowed for
    bool previewLastMinimised_ = false;  // kept across preview windows
};

}  // namespace tavelin
