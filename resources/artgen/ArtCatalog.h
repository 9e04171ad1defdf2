#pragma once
// Collects the generated pictures and writes them as PNG files together with the
// Qt resource file that compiles them into the program.

#include <QImage>
#include <QString>
#include <map>
#include <vector>

namespace tavelin::art {

class CArtCatalog {
public:
    // A picture known to the program by its resource id: ":/art/<id>.png".
    void AddPicture(int id, const QImage& image);
    // Any other file under the art folder, e.g. "icons/16.png".
    void AddFile(const QString& relativePath, const QImage& image);

    // The picture added under `id`, or a null image.
    QImage Picture(int id) const;

    // Writes <dir>/art/... and <dir>/art.qrc; false as soon as one file fails.
    bool Write(const QString& dir) const;

private:
    std::map<QString, QImage> files_;  // keyed by path below art/, sorted for a stable qrc
    std::map<int, QString> ids_;
};

}  // namespace tavelin::art
