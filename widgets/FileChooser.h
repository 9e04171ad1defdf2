#pragma once
// The save-file and open-file dialogs behind a seam, so the commands that ask for a file
// name can be driven by tests.

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace tavelin {

class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // Asks for a file to save to. proposedName is the name (or path) the dialog opens
    // with; defaultSuffix ("bmp", without the dot) is appended to a name typed without
    // one; nameFilters are entries like "BMP Files (*.bmp)", the first one selected.
    // The user confirms replacing an existing file inside the dialog. Empty when
    // cancelled.
    virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& proposedName,
                                                const QString& defaultSuffix,
                                                const QStringList& nameFilters) = 0;
    // Asks for an existing file to read, opening on proposedName (a file or folder; empty:
    // the current folder). Empty when cancelled.
    virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& proposedName,
                                                const QStringList& nameFilters) = 0;
};

// Qt's own (non-native) file dialog, so it looks and behaves the same on every desktop.
class CQtFileChooser : public IFileChooser {
public:
    std::optional<QString> SaveFileName(QWidget* parent, const QString& proposedName,
                                        const QString& defaultSuffix,
                                        const QStringList& nameFilters) override;
    std::optional<QString> OpenFileName(QWidget* parent, const QString& proposedName,
                                        const QStringList& nameFilters) override;
};

// The suffix a filter entry stands for ("JPG Files (*.jpg)" -> "jpg"); empty when the
// entry has no single "*.ext" pattern.
QString SuffixOfFilter(const QString& nameFilter);

}  // namespace tavelin
