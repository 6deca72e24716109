// SPDX-License-Identifier: MIT
// quillon_screenshot: opens the QUILLON window, drops a scan data file on it and saves a
// picture of the window (and optionally of the About box) for the documentation.
//   quillon_screenshot FILE.sdf WINDOW.png [ABOUT.png] [--scan K] [--quantity Q]
//                      [--size WIDTHxHEIGHT] [--export-dialog EXPORT.png]
// --scan chooses the scan the plot shows (from 1), --quantity what it shows of it (counts,
// dark-subtracted, transmittance or absorbance), --size the window's size in pixels,
// --export-dialog saves a picture of the dialog behind "Export..." with CSV chosen.
// --trace-picture saves the window showing the Trace view of the wavelengths --wavelengths
// (nm, comma-separated), --map-picture the window showing the Map view, each once its pass
// over the file has ended; --kinetics-quantity chooses what both show.
// Run it on any display, for example under xvfb-run, with QT_SCALE_FACTOR=2 for 200 %.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QTabBar>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "about_dlg.h"
#include "app_icon.h"
#include "dialog/kinetics.h"
#include "dialog/qt/export_dialog.h"
#include "dialog/qt/kinetics_panels.h"
#include "dialog/qt/main_dialog_window.h"
#include "dialog/qt/spectrum_panel.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QStringList paths;
    int scan = 1;
    QString quantity;
    QSize size;
    QString exportPicture;
    QString tracePicture;
    QString mapPicture;
    QStringList wavelengths;
    QString kineticsQuantity;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--scan") == 0 && hasValue) {
            scan = QString::fromLocal8Bit(argv[++i]).toInt();
        } else if (std::strcmp(argv[i], "--quantity") == 0 && hasValue) {
            quantity = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--trace-picture") == 0 && hasValue) {
            tracePicture = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--map-picture") == 0 && hasValue) {
            mapPicture = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--wavelengths") == 0 && hasValue) {
            wavelengths = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(','));
        } else if (std::strcmp(argv[i], "--kinetics-quantity") == 0 && hasValue) {
            kineticsQuantity = QString::fromLocal8Bit(argv[++i]);
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
    panel.ShowScan(scan);
    if (!quantity.isEmpty()) {
        const auto* found =
            std::find_if(std::begin(quillon::kPlotQuantities), std::end(quillon::kPlotQuantities),
                         [&quantity](quillon::Quantity q) {
                             return QString::fromStdString(quillon::QuantityLabel(q))
                                        .compare(quantity, Qt::CaseInsensitive) == 0;
                         });
        if (found == std::end(quillon::kPlotQuantities)) {
            std::fprintf(stderr, "no quantity %s\n", qPrintable(quantity));
            return 2;
        }
        panel.ShowQuantity(*found);
    }
    QApplication::processEvents();
    if (!window.grab().save(paths[1])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(paths[1]));
        return 1;
    }
    if (!tracePicture.isEmpty() || !mapPicture.isEmpty()) {
        if (!kineticsQuantity.isEmpty()) {
            for (const char* name : {"traceQuantity", "mapQuantity"}) {
                auto* chooser = window.findChild<QComboBox*>(QLatin1String(name));
                chooser->setCurrentIndex(chooser->findText(kineticsQuantity, Qt::MatchFixedString));
            }
        }
        for (const QString& wavelength : wavelengths) {
            if (!window.TraceView()->AddWavelength(wavelength.toDouble())) {
                std::fprintf(stderr, "cannot trace %s\n", qPrintable(wavelength));
                return 1;
            }
        }
        while (window.KineticsState().IsWorking()) {
            QApplication::processEvents();
            QThread::msleep(20);
        }
        QApplication::processEvents(QEventLoop::AllEvents, 500);
        const std::pair<int, QString> views[] = {{1, tracePicture}, {2, mapPicture}};
        for (const auto& [index, picture] : views) {
            if (picture.isEmpty()) {
                continue;
            }
            window.ViewTabs()->setCurrentIndex(index);
            QApplication::processEvents();
            if (!window.grab().save(picture)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(picture));
                return 1;
            }
        }
        window.ViewTabs()->setCurrentIndex(0);
        QApplication::processEvents();
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
