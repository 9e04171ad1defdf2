#include "widgets/FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace tavelin {

QString SuffixOfFilter(const QString& nameFilter) {
    static const QRegularExpression single(QStringLiteral("\\(\\s*\\*\\.([^\\s*?.()]+)\\s*\\)"));
    const QRegularExpressionMatch match = single.match(nameFilter);
    return match.hasMatch() ? match.captured(1) : QString();
}

namespace {

std::optional<QString> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return std::nullopt;
    return chosen.front();
}

}  // namespace

std::optional<QString> CQtFileChooser::SaveFileName(QWidget* parent, const QString& proposedName,
                                                    const QString& defaultSuffix,
                                                    const QStringList& nameFilters) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters);
    dialog.setDefaultSuffix(defaultSuffix);
    // A name typed without an extension gets the one of the file type shown, so picking
    // "BMP Files" saves a BMP even when the default is another type.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, defaultSuffix](const QString& filter) {
                         const QString suffix = SuffixOfFilter(filter);
                         dialog.setDefaultSuffix(suffix.isEmpty() ? defaultSuffix : suffix);
                     });
    if (!nameFilters.isEmpty())
        dialog.selectNameFilter(nameFilters.front());
    if (!proposedName.isEmpty())
        dialog.selectFile(proposedName);

    return Chosen(dialog);
}

std::optional<QString> CQtFileChooser::OpenFileName(QWidget* parent, const QString& proposedName,
                                                    const QStringList& nameFilters) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters);
    if (!proposedName.isEmpty()) {
        const QFileInfo proposed(proposedName);
        if (proposed.isDir())
            dialog.setDirectory(proposedName);
        else
            dialog.selectFile(proposedName);
    }
    return Chosen(dialog);
}

}  // namespace tavelin
