// SPDX-License-Identifier: MIT
// quillon_screenshot: opens the QUILLON window, drops a scan data file on it and saves a
// picture of the window (and optionally of the About box) for the documentation.
//   quillon_screenshot FILE.sdf WINDOW.png [ABOUT.png] [--scan K] [--quantity Q]
//                      [--size WIDTHxHEIGHT] [--export-dialog EXPORT.png]
// --scan chooses the scan the plot shows (from 1), --quantity what it shows of it (counts,
// dark-subtracted, transmittance or absorbance), --size the window's size in pixels,
// --export-dialog saves a picture of the dialog behind "Export..." with CSV chosen.
// Run it on any display, for example under xvfb-run, with QT_SCALE_FACTOR=2 for 200 %.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QSpinBox>
#include <QTextStream>
#include <cstdio>
#include <cstring>

#include "about_dlg.h"
#include "app_icon.h"
#include "dialog/qt/export_dialog.h"
#include "dialog/qt/main_dialog_window.h"
#include "dialog/qt/spectrum_panel.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QStringList paths;
    int scan = 1;
    QString quantity;
    QSize size;
    QString exportPicture;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--scan") == 0 && hasValue) {
            scan = QString::fromLocal8Bit(argv[++i]).toInt();
        } else if (std::strcmp(argv[i], "--quantity") == 0 && hasValue) {
            quantity = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--export-dialog") == 0 && hasValue) {
            exportPicture = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--size") == 0 && hasValue) {
            const QStringList parts = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char('x'));
            if (parts.size() == 2) {
                size = QSize(parts[0].toInt(), parts[1].toInt());
            }
        } else {
            paths << QString::fromLocal8Bit(argv[i]);
        }
    }
    if (paths.size() < 2 || paths.size() > 3) {
        std::fprintf(stderr,
                     "usage: quillon_screenshot FILE.sdf WINDOW.png [ABOUT.png] [--scan K] "
                     "[--quantity Q] [--size WIDTHxHEIGHT] [--export-dialog EXPORT.png]\n");
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
    if (size.isValid()) {
        window.resize(size);
    }
    window.show();
    QApplication::processEvents();

    const QString sdf = QFileInfo(paths[0]).absoluteFilePath();
    window.Dialog().OnDropFiles({QFile::encodeName(sdf).toStdString()});
    QApplication::processEvents();
    if (messages > 0 || window.Dialog().LoadedPath().empty()) {
        return 1;
    }
    quillon::SpectrumPanel& panel = *window.Panel();
    panel.ScanChooser()->setValue(scan);
    if (!quantity.isEmpty()) {
        const int index = panel.QuantityChooser()->findText(quantity, Qt::MatchFixedString);
        if (index < 0) {
            std::fprintf(stderr, "no quantity %s\n", qPrintable(quantity));
            return 2;
        }
        panel.QuantityChooser()->setCurrentIndex(index);
    }
    QApplication::processEvents();
    if (!window.grab().save(paths[1])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(paths[1]));
        return 1;
    }
    if (!exportPicture.isEmpty()) {
        quillon::ExportDialog dialog(QFileInfo(sdf).absolutePath(),
                                     QString::fromStdString(window.Dialog().ExportScope()), nullptr,
                                     &window);
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
            box->setChecked(box->accessibleName() == QStringLiteral("CSV table") ||
                            box->isChecked());
        }
        dialog.show();
        QApplication::processEvents();
        if (!dialog.grab().save(exportPicture)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(exportPicture));
            return 1;
        }
    }
    if (paths.size() > 2) {
        quillon::CAboutDlg about(&window);
        about.show();
        QApplication::processEvents();
        if (!about.grab().save(paths[2])) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(paths[2]));
            return 1;
        }
    }
    return 0;
}
