// SPDX-License-Identifier: MIT
// quillon_screenshot: opens the QUILLON window, drops a scan data file on it and saves a
// picture of the window (and optionally of the About box) for the documentation.
//   quillon_screenshot FILE.sdf WINDOW.png [ABOUT.png]
// Run it on any display, for example under xvfb-run.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

#include "about_dlg.h"
#include "app_icon.h"
#include "dialog/qt/main_dialog_window.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: quillon_screenshot FILE.sdf WINDOW.png [ABOUT.png]\n");
        return 2;
    }
    QApplication::setWindowIcon(quillon::ApplicationIcon());

    quillon::WindowPrompts prompts;
    int messages = 0;
    prompts.message = [&messages](QWidget*, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++messages;
    };
    quillon::MainDialogWindow window(prompts);
    window.show();
    QApplication::processEvents();

    const QString sdf = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    window.Dialog().OnDropFiles({QFile::encodeName(sdf).toStdString()});
    QApplication::processEvents();
    if (messages > 0 || window.Dialog().LoadedPath().empty()) {
        return 1;
    }
    if (!window.grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc > 3) {
        quillon::CAboutDlg about(&window);
        about.show();
        QApplication::processEvents();
        if (!about.grab().save(QString::fromLocal8Bit(argv[3]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[3]);
            return 1;
        }
    }
    return 0;
}
