#include "resources/Resources.h"

#include <QtCore/qglobal.h>

#include "resources/ResourceIds.h"

// Outside any namespace: Q_INIT_RESOURCE declares the rcc-generated function.
static void RegisterArt() {
    Q_INIT_RESOURCE(tavelin_art);
}

namespace tavelin {

void InitResources() {
    // Registering twice is harmless, but once is enough.
    static const bool registered = (RegisterArt(), true);
    (void)registered;
}

QString ArtPath(int id) {
    return QStringLiteral(":/art/%1.png").arg(id);
}

QIcon AppIcon() {
    // Decoded once: the main window, the preview and the tray share the pictures
    // (about 360 KB for the eight sizes) instead of holding a set each. Never freed,
    // since pixmaps may not outlive the application object.
    static const QIcon* const icon = [] {
        InitResources();
        auto* made = new QIcon;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            made->addFile(QStringLiteral(":/art/icons/%1.png").arg(size), QSize(size, size));
        }
        return made;
    }();
    return *icon;
}

}  // namespace tavelin
