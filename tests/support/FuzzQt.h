// The Qt side of fuzz targets: one widget application on the offscreen platform and the
// toolkit's application object, made once before the first input.
#pragma once

#include <QApplication>
#include <cstdlib>

#include "Application.h"

namespace vx {

inline void StartFuzzApplication(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication qt(*argc, *argv);
    static TApplication application;
}

}  // namespace vx
