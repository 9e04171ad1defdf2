#include "widgets/FileChooser.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "tests/support/QtApp.h"

namespace tavelin {
namespace {

TEST(FileChooserTest, OnlyASinglePatternNamesASuffix) {
    EXPECT_EQ(SuffixOfFilter(QStringLiteral("JPG Files (*.jpg)")), QStringLiteral("jpg"));
    EXPECT_EQ(SuffixOfFilter(QStringLiteral("All Files (*)")), QString());
    EXPECT_EQ(SuffixOfFilter(QStringLiteral("Pictures (*.png *.jpg)")), QString());
}

// The real dialog, answered by a "user" once it is up: opens on the proposed file, and a
// name typed without extension gets the one of the file type picked.
TEST(FileChooserTest, ProposedFileAndTheChosenTypesSuffix) {
    testing::QtApp();
    QTemporaryDir dir;
    for (bool pickBmp : {false, true}) {
        QString shownName;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            ASSERT_TRUE(name != nullptr && types != nullptr);
            shownName = name->text();
            if (pickBmp)
                QTest::keyClick(types, Qt::Key_Down);
            name->setText(QStringLiteral("shot"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const auto chosen = CQtFileChooser().SaveFileName(
            nullptr, dir.filePath(QStringLiteral("first.jpg")), QStringLiteral("jpg"),
            {QStringLiteral("JPG Files (*.jpg)"), QStringLiteral("BMP Files (*.bmp)")});
        EXPECT_EQ(shownName, QStringLiteral("first.jpg"));
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(*chosen,
                  dir.filePath(pickBmp ? QStringLiteral("shot.bmp") : QStringLiteral("shot.jpg")));
    }
}

}  // namespace
}  // namespace tavelin
