#pragma once
// The file dialogs answering at once with a prepared name and remembering what they
// were asked (an open-file question has no suffix).

#include <optional>
#include <vector>

#include "widgets/FileChooser.h"

namespace tavelin::testing {

class FakeFileChooser : public IFileChooser {
public:
    struct Request {
        QString proposedName;
        QString defaultSuffix;
        QStringList nameFilters;
    };

    std::optional<QString> SaveFileName(QWidget*, const QString& proposedName,
                                        const QString& defaultSuffix,
                                        const QStringList& nameFilters) override {
        asked.push_back({proposedName, defaultSuffix, nameFilters});
        return answer;
    }
    std::optional<QString> OpenFileName(QWidget*, const QString& proposedName,
                                        const QStringList& nameFilters) override {
        asked.push_back({proposedName, QString(), nameFilters});
        return answer;
    }

    std::optional<QString> answer;  // empty: the user cancels
    std::vector<Request> asked;
};

}  // namespace tavelin::testing
