// SPDX-License-Identifier: MIT
// quillon: the QUILLON window. `quillon [FILE]` opens it, with FILE loaded when one is given
// (as a desktop's file manager passes it); runs the main dialog until it is closed.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "quillon_app.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows and converts CCD spectrometer scan data files (.sdf)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A scan data file to open at start."),
                                 QStringLiteral("[FILE]"));
    parser.process(application);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "quillon: only one file can be opened at a time\n");
        return 2;
    }

    quillon::CQUILLONApp app(files.isEmpty() ? QString() : files.front());
    app.InitInstance();
    return 0;
}
