#pragma once
// The cursor the frame step and the commands ask for, as Qt's override cursor: the
// wait cursor while the window is busy, the starting cursor for a moment when work
// resumes (it goes by itself), the normal cursor otherwise.

#include <QObject>

#include "core/FrameTickHost.h"

namespace tavelin {

class CCursorShapes : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~CCursorShapes() override { Restore(); }

    void Show(CursorShape shape);
    // Back to the normal cursor.
    void Restore();

private:
    bool overridden_ = false;
};

}  // namespace tavelin
