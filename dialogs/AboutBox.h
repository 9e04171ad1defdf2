#pragma once
// The About box: icon, product name, version, a rights notice, a line of text kept
// scrambled in the binary, the OK button, and a small picture for those who know the
// clicks (see CAboutClickCounter).

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

#include "dialogs/AboutClickCounter.h"

class QLabel;
namespace Ui {
class CAboutBox;
}

namespace tavelin {

class CHoverButton;

class CAboutBox : public QDialog {
    Q_OBJECT

public:
    // The run-time line, stored so that rotating each byte left by 2 bits gives it.
    static constexpr std::uint8_t kStoredText[23] = {0xD5, 0x58, 0x1D, 0xD8, 0x1A, 0x5A, 0x9B, 0xD9,
                                                     0x08, 0xDB, 0x9D, 0x59, 0x9C, 0x08, 0x5E, 0xDB,
                                                     0x5D, 0x9C, 0x08, 0x9C, 0xDB, 0xDB, 0x5B};
    static constexpr int kPictureWidth = 160;
    static constexpr int kPictureHeight = 120;

    explicit CAboutBox(QWidget* parent = nullptr);
    ~CAboutBox() override;

    static QString RunTimeText();

    // For tests.
    QString runTimeLabelText() const;
    CHoverButton* okButton() const;
    bool pictureShown() const { return counter_.pictureShown(); }
    std::uint8_t clickCounter() const { return counter_.value(); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Apply(CAboutClickCounter::Effect effect);

    std::unique_ptr<Ui::CAboutBox> ui_;
    QLabel* picture_ = nullptr;
    CAboutClickCounter counter_;
};

}  // namespace tavelin
