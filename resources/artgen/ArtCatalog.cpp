#include "resources/artgen/ArtCatalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace tavelin::art {

void CArtCatalog::AddPicture(int id, const QImage& image) {
    const QString path = QString::number(id) + QStringLiteral(".png");
    ids_[id] = path;
    files_[path] = image;
}

void CArtCatalog::AddFile(const QString& relativePath, const QImage& image) {
    files_[relativePath] = image;
}

QImage CArtCatalog::Picture(int id) const {
    const auto it = ids_.find(id);
    return it == ids_.end() ? QImage() : files_.at(it->second);
}

bool CArtCatalog::Write(const QString& dir) const {
    const QDir root(dir);
    QString qrc;
    QTextStream out(&qrc);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const auto& [path, image] : files_) {
        const QString relative = QStringLiteral("art/") + path;
        const QString full = root.filePath(relative);
        if (!QDir().mkpath(QFileInfo(full).path())) {
            return false;
        }
        // Through a temporary file, so an interrupted build leaves no half picture.
        QSaveFile file(full);
        if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
            return false;
        }
        out << "  <file>" << relative << "</file>\n";
    }
    out << "</qresource>\n</RCC>\n";
    out.flush();

    QSaveFile file(root.filePath(QStringLiteral("art.qrc")));
    return file.open(QIODevice::WriteOnly | QIODevice::Text) && file.write(qrc.toUtf8()) >= 0 &&
           file.commit();
}

}  // namespace tavelin::art
