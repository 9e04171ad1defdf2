#pragma once
// One QApplication for a whole test program (widget tests run on the offscreen platform).

#include <QApplication>
#include <QStyleFactory>
#include <cstdlib>

#include "resources/Resources.h"

namespace tavelin::testing {

inline QApplication& QtApp() {
    static int argc = 1;
    static char name[] = "tavelin-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* a = new QApplication(argc, argv);
        a->setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        InitResources();
        return a;
    }();
    return *app;
}

}  // namespace tavelin::testing
