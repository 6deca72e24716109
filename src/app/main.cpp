// SPDX-License-Identifier: MIT
// quillon: the QUILLON window. Takes no arguments; runs the main dialog until it is closed.
#include <QApplication>

#include "quillon_app.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    quillon::CQUILLONApp app;
    app.InitInstance();
    return 0;
}
