// Draws every picture of the program and writes them, with the resource file that
// compiles them in, below the directory given. Run by the build on the offscreen
// platform; "--review" also writes mock-ups of the main window for a designer.

#include <QDir>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

#include "resources/artgen/ArtCatalog.h"
#include "resources/artgen/Mockup.h"
#include "resources/artgen/PaintKit.h"
#include "resources/artgen/Pictures.h"

int main(int argc, char** argv) {
    // No display is needed; the offscreen platform also runs on a build machine.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QStringList args = QGuiApplication::arguments();
    args.removeFirst();
    const bool review = args.removeAll(QStringLiteral("--review")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: tavelin_artgen <output directory> [--review]\n");
        return 2;
    }
    if (!tavelin::art::HasUiFont()) {
        std::fprintf(stderr,
                     "tavelin_artgen: the DejaVu Sans fonts are missing "
                     "(Debian package fonts-dejavu-core)\n");
        return 1;
    }

    tavelin::art::CArtCatalog catalog;
    tavelin::art::AddAllPictures(catalog);
    const QString dir = args.first();
    if (!catalog.Write(dir)) {
        std::fprintf(stderr, "tavelin_artgen: cannot write the pictures below %s\n",
                     qPrintable(dir));
        return 1;
    }
    if (review) {
        const QDir out(dir);
        out.mkpath(QStringLiteral("review"));
        const bool ok = tavelin::art::ComposeMockup(catalog, false)
                            .save(out.filePath(QStringLiteral("review/mockup-idle.png"))) &&
                        tavelin::art::ComposeMockup(catalog, true)
                            .save(out.filePath(QStringLiteral("review/mockup-active.png")));
        if (!ok) {
            std::fprintf(stderr, "tavelin_artgen: cannot write the mock-ups\n");
            return 1;
        }
    }
    return 0;
}
