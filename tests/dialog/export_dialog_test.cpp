// SPDX-License-Identifier: MIT
// The window's export dialog, offscreen: quillon-convert's defaults, what each format enables,
// the choices it refuses, and exports from the window that write byte for byte what
// quillon-convert writes with the same options.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "dialog/qt/export_dialog.h"
#include "dialog/qt/main_dialog_window.h"
#include "dialog/qt/spectrum_panel.h"
#include "export/hdf5_export.h"
#include "export/xlsx_export.h"
#include "sdf_builder.h"

using quillon::Control;
using quillon::ExportChoice;
using quillon::ExportDialog;
using quillon::ExportFormat;
using quillon::MainDialogWindow;

namespace {

// What the window is set to before "Export...", as a user would set it.
struct WindowSetup {
    QString selection;  // empty: all scans
    bool withWavelength = false;
    bool withPixel = false;
};

// The dialog's control of a kind with an accessible name, found as assistive technology finds
// it; a test fails at once when there is none.
template <typename Widget>
Widget* Named(QWidget& dialog, const char* name) {
    for (Widget* widget : dialog.findChildren<Widget*>()) {
        if (widget->accessibleName() == QLatin1String(name)) {
            return widget;
        }
    }
    qFatal("the dialog has no control named %s", name);
}

QCheckBox* FormatBox(QWidget& dialog, ExportFormat format) {
    switch (format) {
        case ExportFormat::kText:
            return Named<QCheckBox>(dialog, "Text files");
        case ExportFormat::kCsv:
            return Named<QCheckBox>(dialog, "CSV table");
        case ExportFormat::kJson:
            return Named<QCheckBox>(dialog, "JSON parameters");
        case ExportFormat::kHdf5:
            return Named<QCheckBox>(dialog, "HDF5 file");
        case ExportFormat::kXlsx:
            return Named<QCheckBox>(dialog, "Excel workbook");
    }
    return nullptr;
}

}  // namespace

class ExportDialogTest : public QObject {
    Q_OBJECT

  private:
    QString WriteSdf(const QString& folder) {
        quillon::testing::SdfBuilder sdf(6);
        sdf.ccd.fCal[0] = 350.25f;
        sdf.ccd.fCal[1] = 0.75f;
        sdf.ccd.fCal[2] = 1.5e-3f;
        sdf.dark = {100.5f, 100.0f, 100.0f, 90.0f, 80.0f, 0.0f};
        sdf.ref = {2100.0f, 1100.0f, 100.0f, 4000.0f, 5000.0f, 65535.0f};
        sdf.AddScan(
            {"Hg lamp \xE9", "fibre 2", "2024-03-01 10:15:02", {600, 50, 300, 90, 7, 0}, 0});
        sdf.AddScan({"", "", "", {2100, 1100, 100, 4000, 5000, 65535}, 0});
        sdf.AddScan({"third", "", "", {-5, 2147483647, 1000, 100, 100, 1}, 0});
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(QStringLiteral("run.sdf"));
        sdf.WriteTo(QFile::encodeName(path).toStdString());
        return path;
    }

    static QStringList FilesIn(const QString& folder) {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

    // Runs quillon-convert with `arguments` on `input`, then the window's export with the
    // same choices, and compares every output byte for byte. The two runs write beside the
    // same input (or into the same folder `outputFolder`, given to quillon-convert as -o and
    // typed into the dialog), one after the other, so that even the source path in the
    // outputs is alike.
    void CompareWithConverter(const QStringList& arguments, const WindowSetup& setup,
                              const std::function<void(ExportDialog&)>& choose,
                              const QString& outputFolder = {}) {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString input = WriteSdf(dir.filePath(QStringLiteral("in")));
        const QString outputs = outputFolder.isEmpty() ? dir.filePath(QStringLiteral("in"))
                                                       : dir.filePath(outputFolder);

        QStringList options = QStringList{QStringLiteral("--quiet")} + arguments;
        if (!outputFolder.isEmpty()) {
            options << QStringLiteral("-o") << outputs;
        }
        QProcess converter;
        converter.start(QStringLiteral(QUILLON_CONVERT_PATH), options + QStringList{input});
        QVERIFY(converter.waitForFinished(60000));
        QVERIFY2(converter.exitCode() == 0, converter.readAllStandardError().constData());
        const QString expected = dir.filePath(QStringLiteral("expected"));
        QVERIFY(QDir().mkpath(expected));
        QStringList written;
        for (const QString& name : FilesIn(outputs)) {
            if (name != QStringLiteral("run.sdf")) {
                QVERIFY(QFile::rename(QDir(outputs).filePath(name), QDir(expected).filePath(name)));
                written << name;
            }
        }
        QVERIFY(!written.isEmpty());

        QStringList messages;
        quillon::WindowPrompts prompts;
        prompts.message = [&messages](QWidget*, const QString& text) { messages << text; };
        prompts.askYesNo = [](QWidget*, const QString&) { return false; };
        prompts.chooseExport = [&](QWidget* parent, const QString& inputFolder,
                                   const QString& scope) -> std::optional<ExportChoice> {
            ExportDialog dialog(inputFolder, scope, nullptr, parent);
            choose(dialog);
            if (!outputFolder.isEmpty()) {
                Named<QRadioButton>(dialog, "Write into a folder")->setChecked(true);
                Named<QLineEdit>(dialog, "Output folder")->setText(outputs);
            }
            return dialog.Choice();
        };
        MainDialogWindow window(prompts);
        window.resize(1400, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Dialog().OnDropFiles({QFile::encodeName(input).toStdString()});
        if (!setup.selection.isEmpty()) {
            QTest::mouseClick(window.ControlWidget(Control::ConvertSelected), Qt::LeftButton);
            QTest::keyClicks(window.ControlWidget(Control::Selection), setup.selection);
        }
        if (setup.withWavelength) {
            QTest::mouseClick(window.ControlWidget(Control::WithWavelength), Qt::LeftButton);
        }
        if (setup.withPixel) {
            QTest::mouseClick(window.ControlWidget(Control::WithPixel), Qt::LeftButton);
        }
        QTest::mouseClick(window.Panel()->findChild<QPushButton*>(QStringLiteral("export")),
                          Qt::LeftButton);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));

        QStringList windowWritten = FilesIn(outputs);
        windowWritten.removeAll(QStringLiteral("run.sdf"));
        QCOMPARE(windowWritten, written);
        for (const QString& name : written) {
            QFile mine(QDir(outputs).filePath(name));
            QFile theirs(QDir(expected).filePath(name));
            QVERIFY(mine.open(QIODevice::ReadOnly) && theirs.open(QIODevice::ReadOnly));
            QVERIFY2(mine.readAll() == theirs.readAll(),
                     qPrintable(name + QStringLiteral(" differs")));
        }
    }

  private slots:
    void theDefaultsAreThoseOfQuillonConvert() {
        ExportDialog dialog(QStringLiteral("/data"), QStringLiteral("all 3 scans"), nullptr);
        QVERIFY(FormatBox(dialog, ExportFormat::kText)->isChecked());
        for (ExportFormat format :
             {ExportFormat::kCsv, ExportFormat::kJson, ExportFormat::kHdf5, ExportFormat::kXlsx}) {
            QVERIFY(!FormatBox(dialog, format)->isChecked());
        }
        const std::optional<ExportChoice> choice = dialog.Choice();
        QVERIFY(choice.has_value());
        const ExportChoice defaults;
        QVERIFY(choice->formats == std::vector<ExportFormat>{ExportFormat::kText});
        QVERIFY(choice->request.quantity == defaults.request.quantity);
        QVERIFY(!choice->request.grid.has_value());
        QVERIFY(choice->request.csv.layout == quillon::CsvLayout::kColumns);
        QCOMPARE(choice->request.csv.delimiter, ',');
        QVERIFY(!choice->request.csv.decimalComma && !choice->request.csv.byteOrderMark);
        QVERIFY(!choice->request.compress);
        QVERIFY(choice->outputFolder.empty());
        QVERIFY(Named<QRadioButton>(dialog, "Write beside the input file")->isChecked());
    }

    void eachFormatEnablesTheChoicesItUses() {
        ExportDialog dialog(QStringLiteral("/data"), QStringLiteral("all 3 scans"), nullptr);
        QVERIFY(!Named<QComboBox>(dialog, "Quantity")->isEnabled());
        QVERIFY(!Named<QCheckBox>(dialog, "Resample onto a wavelength grid")->isEnabled());
        QVERIFY(!Named<QComboBox>(dialog, "CSV layout")->isEnabled());
        QVERIFY(!Named<QCheckBox>(dialog, "Compress the HDF5 scans")->isEnabled());

        FormatBox(dialog, ExportFormat::kJson)->setChecked(true);
        QVERIFY(!Named<QComboBox>(dialog, "Quantity")->isEnabled());
        FormatBox(dialog, ExportFormat::kCsv)->setChecked(true);
        QVERIFY(Named<QComboBox>(dialog, "Quantity")->isEnabled());
        QVERIFY(Named<QComboBox>(dialog, "CSV layout")->isEnabled() &&
                Named<QComboBox>(dialog, "CSV delimiter")->isEnabled());
        QVERIFY(!Named<QLineEdit>(dialog, "Wavelength grid, start:step:end in nanometres")
                     ->isEnabled());
        Named<QCheckBox>(dialog, "Resample onto a wavelength grid")->setChecked(true);
        QVERIFY(
            Named<QLineEdit>(dialog, "Wavelength grid, start:step:end in nanometres")->isEnabled());
        QVERIFY(!Named<QCheckBox>(dialog, "Compress the HDF5 scans")->isEnabled());
        if (quillon::Hdf5Available()) {
            FormatBox(dialog, ExportFormat::kHdf5)->setChecked(true);
            QVERIFY(Named<QCheckBox>(dialog, "Compress the HDF5 scans")->isEnabled());
        } else {
            QVERIFY(!FormatBox(dialog, ExportFormat::kHdf5)->isEnabled());
        }
        // The workbook alone takes the quantity and the grid.
        for (ExportFormat format : {ExportFormat::kCsv, ExportFormat::kHdf5}) {
            FormatBox(dialog, format)->setChecked(false);
        }
        QVERIFY(!Named<QComboBox>(dialog, "Quantity")->isEnabled());
        if (quillon::XlsxAvailable()) {
            FormatBox(dialog, ExportFormat::kXlsx)->setChecked(true);
            QVERIFY(Named<QComboBox>(dialog, "Quantity")->isEnabled());
            QVERIFY(Named<QLineEdit>(dialog, "Wavelength grid, start:step:end in nanometres")
                        ->isEnabled());
            QVERIFY(!Named<QComboBox>(dialog, "CSV layout")->isEnabled());
            QVERIFY(!Named<QCheckBox>(dialog, "Compress the HDF5 scans")->isEnabled());
        } else {
            QVERIFY(!FormatBox(dialog, ExportFormat::kXlsx)->isEnabled());
        }
        // Without any format there is nothing to export.
        for (ExportFormat format : {ExportFormat::kText, ExportFormat::kCsv, ExportFormat::kJson,
                                    ExportFormat::kHdf5, ExportFormat::kXlsx}) {
            FormatBox(dialog, format)->setChecked(false);
        }
        QVERIFY(!Named<QPushButton>(dialog, "Export")->isEnabled());
        QVERIFY(!dialog.Choice().has_value());
    }

    void aDecimalCommaTakesTheSemicolonDelimiterAndNeverTheComma() {
        ExportDialog dialog(QStringLiteral("/data"), QStringLiteral("all 3 scans"), nullptr);
        FormatBox(dialog, ExportFormat::kCsv)->setChecked(true);
        Named<QCheckBox>(dialog, "Decimal comma")->setChecked(true);
        QCOMPARE(Named<QComboBox>(dialog, "CSV delimiter")->currentIndex(), 1);
        auto* model =
            qobject_cast<QStandardItemModel*>(Named<QComboBox>(dialog, "CSV delimiter")->model());
        QVERIFY(model != nullptr && !model->item(0)->isEnabled());
        std::optional<ExportChoice> choice = dialog.Choice();
        QVERIFY(choice.has_value());
        QCOMPARE(choice->request.csv.delimiter, ';');
        QVERIFY(choice->request.csv.decimalComma);
        // Forced back to the comma, it is refused with the reason.
        Named<QComboBox>(dialog, "CSV delimiter")->setCurrentIndex(0);
        QVERIFY(!dialog.Choice().has_value());
        QVERIFY(Named<QLabel>(dialog, "Problem with the choices")
                    ->text()
                    .contains(QStringLiteral("decimal comma")));
    }

    void aGridThatIsNotStartStepEndKeepsTheDialogOpenAndSaysWhy() {
        ExportDialog dialog(QStringLiteral("/data"), QStringLiteral("all 3 scans"), nullptr);
        FormatBox(dialog, ExportFormat::kCsv)->setChecked(true);
        Named<QCheckBox>(dialog, "Resample onto a wavelength grid")->setChecked(true);
        for (const char* text : {"", "400:0.5", "500:1:400", "400:0:500", "a:b:c"}) {
            Named<QLineEdit>(dialog, "Wavelength grid, start:step:end in nanometres")
                ->setText(QString::fromLatin1(text));
            QTest::mouseClick(Named<QPushButton>(dialog, "Export"), Qt::LeftButton);
            QVERIFY2(!dialog.Accepted().has_value(), text);
            QVERIFY2(Named<QLabel>(dialog, "Problem with the choices")
                         ->text()
                         .startsWith(QStringLiteral("The wavelength grid: ")),
                     text);
        }
        Named<QLineEdit>(dialog, "Wavelength grid, start:step:end in nanometres")
            ->setText(QStringLiteral("400:0.5:800"));
        QTest::mouseClick(Named<QPushButton>(dialog, "Export"), Qt::LeftButton);
        QVERIFY(dialog.Accepted().has_value());
        QCOMPARE(dialog.Accepted()->request.grid->step, 0.5);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void theFolderButtonChoosesTheOutputFolder() {
        QString asked;
        ExportDialog dialog(QStringLiteral("/data/in"), QStringLiteral("all 3 scans"),
                            [&asked](QWidget*, const QString& start) -> std::optional<QString> {
                                asked = start;
                                return QStringLiteral("/data/out");
                            });
        QTest::mouseClick(Named<QPushButton>(dialog, "Choose the output folder"), Qt::LeftButton);
        QCOMPARE(asked, QStringLiteral("/data/in"));
        QVERIFY(Named<QRadioButton>(dialog, "Write into a folder")->isChecked());
        QCOMPARE(dialog.Choice()->outputFolder, std::string("/data/out"));
        Named<QLineEdit>(dialog, "Output folder")->clear();
        QVERIFY(!dialog.Choice().has_value());
    }

    void everyControlOfTheDialogHasAnAccessibleName() {
        ExportDialog dialog(QStringLiteral("/data"), QStringLiteral("all 3 scans"), nullptr);
        const QList<QWidget*> controls = {
            FormatBox(dialog, ExportFormat::kText),
            FormatBox(dialog, ExportFormat::kCsv),
            FormatBox(dialog, ExportFormat::kJson),
            FormatBox(dialog, ExportFormat::kHdf5),
            FormatBox(dialog, ExportFormat::kXlsx),
            Named<QComboBox>(dialog, "Quantity"),
            Named<QCheckBox>(dialog, "Resample onto a wavelength grid"),
            Named<QLineEdit>(dialog, "Wavelength grid, start:step:end in nanometres"),
            Named<QComboBox>(dialog, "CSV layout"),
            Named<QComboBox>(dialog, "CSV delimiter"),
            Named<QCheckBox>(dialog, "Decimal comma"),
            Named<QCheckBox>(dialog, "UTF-8 byte-order mark"),
            Named<QCheckBox>(dialog, "Compress the HDF5 scans"),
            Named<QRadioButton>(dialog, "Write beside the input file"),
            Named<QRadioButton>(dialog, "Write into a folder"),
            Named<QLineEdit>(dialog, "Output folder"),
            Named<QPushButton>(dialog, "Choose the output folder"),
            Named<QPushButton>(dialog, "Export")};
        for (QWidget* control : controls) {
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
    }

    void theDefaultExportWritesWhatQuillonConvertWritesWithoutOptions() {
        CompareWithConverter({}, {}, [](ExportDialog&) {});
    }

    void everyChoiceWritesWhatTheSameOptionsOfQuillonConvertWrite() {
        QStringList arguments = {QStringLiteral("--format"),
                                 QStringLiteral("text"),
                                 QStringLiteral("--format"),
                                 QStringLiteral("csv"),
                                 QStringLiteral("--format"),
                                 QStringLiteral("json"),
                                 QStringLiteral("-s"),
                                 QStringLiteral("1,3"),
                                 QStringLiteral("-w"),
                                 QStringLiteral("--quantity"),
                                 QStringLiteral("absorbance"),
                                 QStringLiteral("--grid"),
                                 QStringLiteral("350.5:0.25:353.5"),
                                 QStringLiteral("--layout"),
                                 QStringLiteral("rows"),
                                 QStringLiteral("--delimiter"),
                                 QStringLiteral("tab"),
                                 QStringLiteral("--decimal-comma"),
                                 QStringLiteral("--bom")};
        const bool hdf5 = quillon::Hdf5Available();
        if (hdf5) {
            arguments << QStringLiteral("--format") << QStringLiteral("hdf5")
                      << QStringLiteral("--compress");
        }
        const bool xlsx = quillon::XlsxAvailable();
        if (xlsx) {
            arguments << QStringLiteral("--format") << QStringLiteral("xlsx");
        }
        WindowSetup setup;
        setup.selection = QStringLiteral("1,3");
        setup.withWavelength = true;
        CompareWithConverter(arguments, setup, [hdf5, xlsx](ExportDialog& dialog) {
            FormatBox(dialog, ExportFormat::kCsv)->setChecked(true);
            FormatBox(dialog, ExportFormat::kJson)->setChecked(true);
            FormatBox(dialog, ExportFormat::kHdf5)->setChecked(hdf5);
            FormatBox(dialog, ExportFormat::kXlsx)->setChecked(xlsx);
            Named<QComboBox>(dialog, "Quantity")->setCurrentIndex(3);  // absorbance
            Named<QCheckBox>(dialog, "Resample onto a wavelength grid")->setChecked(true);
            Named<QLineEdit>(dialog, "Wavelength grid, start:step:end in nanometres")
                ->setText(QStringLiteral("350.5:0.25:353.5"));
            Named<QComboBox>(dialog, "CSV layout")->setCurrentIndex(1);
            Named<QComboBox>(dialog, "CSV delimiter")->setCurrentIndex(2);
            Named<QCheckBox>(dialog, "Decimal comma")->setChecked(true);
            Named<QCheckBox>(dialog, "UTF-8 byte-order mark")->setChecked(true);
            Named<QCheckBox>(dialog, "Compress the HDF5 scans")->setChecked(hdf5);
        });
    }

    void anOutputFolderWritesWhatQuillonConvertWritesThereWithOutputDir() {
        CompareWithConverter(
            {QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--format"),
             QStringLiteral("text"), QStringLiteral("-p")},
            WindowSetup{{}, false, true},
            [](ExportDialog& dialog) { FormatBox(dialog, ExportFormat::kCsv)->setChecked(true); },
            QStringLiteral("out"));
    }
};

QTEST_MAIN(ExportDialogTest)
#include "export_dialog_test.moc"
