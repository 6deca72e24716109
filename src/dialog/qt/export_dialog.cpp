// SPDX-License-Identifier: MIT
// ExportDialog: the export choices, laid out in groups, and their check on "Export".
#include "dialog/qt/export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "dialog/spectrum_plot.h"
#include "export/grid.h"
#include "export/hdf5_export.h"
#include "export/xlsx_export.h"

namespace quillon {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Delimiters in the order of the chooser.
constexpr char kDelimiters[] = {',', ';', '\t'};

}  // namespace

ExportDialog::ExportDialog(const QString& inputFolder, const QString& scans,
                           FolderChooser chooseFolder, QWidget* parent)
    : QDialog(parent), m_ChooseFolder(std::move(chooseFolder)), m_strInputFolder(inputFolder) {
    setWindowTitle(tr("Export"));
    auto* column = new QVBoxLayout(this);

    auto* scanNote = new QLabel(tr("Scans: %1 (as chosen in the window).").arg(scans), this);
    scanNote->setObjectName(QStringLiteral("exportScans"));
    column->addWidget(scanNote);

    auto* formats = new QGroupBox(tr("Formats"), this);
    auto* formatRow = new QHBoxLayout(formats);
    m_pText = new QCheckBox(tr("&Text files"), formats);
    m_pText->setToolTip(tr("The files Convert writes, with the window's options"));
    m_pCsv = new QCheckBox(tr("&CSV"), formats);
    m_pJson = new QCheckBox(tr("&JSON"), formats);
    m_pHdf5 = new QCheckBox(tr("&HDF5"), formats);
    m_pXlsx = new QCheckBox(tr("E&xcel workbook"), formats);
    m_pText->setAccessibleName(tr("Text files"));
    m_pCsv->setAccessibleName(tr("CSV table"));
    m_pJson->setAccessibleName(tr("JSON parameters"));
    m_pHdf5->setAccessibleName(tr("HDF5 file"));
    m_pXlsx->setAccessibleName(tr("Excel workbook"));
    m_pText->setChecked(true);
    if (!Hdf5Available()) {
        m_pHdf5->setEnabled(false);
        m_pHdf5->setToolTip(FromUtf8(Hdf5Unavailable().what()));
    }
    if (!XlsxAvailable()) {
        m_pXlsx->setEnabled(false);
        m_pXlsx->setToolTip(FromUtf8(XlsxUnavailable().what()));
    }
    for (QCheckBox* box : {m_pText, m_pCsv, m_pJson, m_pHdf5, m_pXlsx}) {
        formatRow->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    }
    formatRow->addStretch(1);
    column->addWidget(formats);

    auto* values = new QGroupBox(tr("CSV, HDF5 and workbook values"), this);
    auto* valueForm = new QFormLayout(values);
    m_pQuantity = new QComboBox(values);
    for (Quantity quantity : kPlotQuantities) {
        m_pQuantity->addItem(FromUtf8(QuantityLabel(quantity)));
    }
    m_pQuantity->setAccessibleName(tr("Quantity"));
    valueForm->addRow(tr("&Quantity:"), m_pQuantity);
    auto* gridRow = new QHBoxLayout;
    m_pUseGrid = new QCheckBox(tr("&Wavelength grid (nm):"), values);
    m_pUseGrid->setAccessibleName(tr("Resample onto a wavelength grid"));
    m_pGrid = new QLineEdit(values);
    m_pGrid->setPlaceholderText(tr("START:STEP:END, e.g. 400:0.5:800"));
    m_pGrid->setAccessibleName(tr("Wavelength grid, start:step:end in nanometres"));
    gridRow->addWidget(m_pUseGrid);
    gridRow->addWidget(m_pGrid, 1);
    valueForm->addRow(gridRow);
    connect(m_pUseGrid, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    column->addWidget(values);

    auto* csv = new QGroupBox(tr("CSV"), this);
    auto* csvForm = new QFormLayout(csv);
    m_pLayout = new QComboBox(csv);
    m_pLayout->addItem(tr("One column per scan"));
    m_pLayout->addItem(tr("One row per scan (transposed)"));
    m_pLayout->setAccessibleName(tr("CSV layout"));
    csvForm->addRow(tr("&Layout:"), m_pLayout);
    m_pDelimiter = new QComboBox(csv);
    m_pDelimiter->addItem(tr("Comma"));
    m_pDelimiter->addItem(tr("Semicolon"));
    m_pDelimiter->addItem(tr("Tab (a .tsv file)"));
    m_pDelimiter->setAccessibleName(tr("CSV delimiter"));
    csvForm->addRow(tr("&Delimiter:"), m_pDelimiter);
    m_pDecimalComma = new QCheckBox(tr("Decimal co&mma"), csv);
    m_pDecimalComma->setAccessibleName(tr("Decimal comma"));
    m_pByteOrderMark = new QCheckBox(tr("&Byte-order mark"), csv);
    m_pByteOrderMark->setAccessibleName(tr("UTF-8 byte-order mark"));
    auto* csvBoxes = new QHBoxLayout;
    csvBoxes->addWidget(m_pDecimalComma);
    csvBoxes->addWidget(m_pByteOrderMark);
    csvBoxes->addStretch(1);
    csvForm->addRow(csvBoxes);
    // A delimiter that cannot go with the decimal comma gives way to the one it calls for.
    connect(m_pDecimalComma, &QCheckBox::toggled, this, [this](bool on) {
        if (!CsvDelimiter(ChosenDelimiter(), on)) {
            m_pDelimiter->setCurrentIndex(DelimiterIndex(*CsvDelimiter(std::nullopt, on)));
        }
        UpdateEnabled();
    });
    column->addWidget(csv);

    auto* hdf5 = new QGroupBox(tr("HDF5"), this);
    auto* hdf5Row = new QHBoxLayout(hdf5);
    m_pCompress = new QCheckBox(tr("Com&press the scans"), hdf5);
    m_pCompress->setAccessibleName(tr("Compress the HDF5 scans"));
    hdf5Row->addWidget(m_pCompress);
    hdf5Row->addStretch(1);
    column->addWidget(hdf5);

    auto* output = new QGroupBox(tr("Output"), this);
    auto* outputColumn = new QVBoxLayout(output);
    m_pBesideInput = new QRadioButton(tr("&Beside the input file"), output);
    m_pBesideInput->setAccessibleName(tr("Write beside the input file"));
    m_pBesideInput->setChecked(true);
    auto* folderRow = new QHBoxLayout;
    m_pInFolder = new QRadioButton(tr("In &folder:"), output);
    m_pInFolder->setAccessibleName(tr("Write into a folder"));
    m_pFolder = new QLineEdit(QDir::toNativeSeparators(inputFolder), output);
    m_pFolder->setAccessibleName(tr("Output folder"));
    m_pChooseFolder = new QPushButton(tr("Choose..."), output);
    m_pChooseFolder->setAccessibleName(tr("Choose the output folder"));
    m_pChooseFolder->setAutoDefault(false);
    folderRow->addWidget(m_pInFolder);
    folderRow->addWidget(m_pFolder, 1);
    folderRow->addWidget(m_pChooseFolder);
    outputColumn->addWidget(m_pBesideInput);
    outputColumn->addLayout(folderRow);
    connect(m_pInFolder, &QRadioButton::toggled, this, [this] { UpdateEnabled(); });
    connect(m_pChooseFolder, &QPushButton::clicked, this, [this] {
        if (!m_ChooseFolder) {
            return;
        }
        const QString start = m_pFolder->text().isEmpty() ? m_strInputFolder : m_pFolder->text();
        if (const std::optional<QString> folder = m_ChooseFolder(this, start)) {
            m_pFolder->setText(QDir::toNativeSeparators(*folder));
            m_pInFolder->setChecked(true);
        }
    });
    column->addWidget(output);

    m_pProblem = new QLabel(this);
    m_pProblem->setObjectName(QStringLiteral("exportProblem"));
    m_pProblem->setTextFormat(Qt::PlainText);
    m_pProblem->setWordWrap(true);
    m_pProblem->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_pProblem->setAccessibleName(tr("Problem with the choices"));
    m_pProblem->hide();
    column->addWidget(m_pProblem);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_pExport = buttons->addButton(tr("&Export"), QDialogButtonBox::AcceptRole);
    m_pExport->setDefault(true);
    m_pExport->setAccessibleName(tr("Export"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);
    column->addWidget(buttons);

    UpdateEnabled();
}

QCheckBox* ExportDialog::FormatBox(ExportFormat format) const {
    switch (format) {
        case ExportFormat::kText:
            return m_pText;
        case ExportFormat::kCsv:
            return m_pCsv;
        case ExportFormat::kJson:
            return m_pJson;
        case ExportFormat::kHdf5:
            return m_pHdf5;
        case ExportFormat::kXlsx:
            return m_pXlsx;
    }
    return nullptr;
}

char ExportDialog::ChosenDelimiter() const {
    return kDelimiters[static_cast<std::size_t>(std::max(0, m_pDelimiter->currentIndex()))];
}

int ExportDialog::DelimiterIndex(char delimiter) {
    const auto* at = std::find(std::begin(kDelimiters), std::end(kDelimiters), delimiter);
    return static_cast<int>(at - std::begin(kDelimiters));
}

void ExportDialog::UpdateEnabled() {
    const bool csv = m_pCsv->isChecked();
    const bool hdf5 = m_pHdf5->isChecked();
    const bool valued = csv || hdf5 || m_pXlsx->isChecked();
    m_pQuantity->setEnabled(valued);
    m_pUseGrid->setEnabled(valued);
    m_pGrid->setEnabled(valued && m_pUseGrid->isChecked());
    for (QWidget* widget : std::initializer_list<QWidget*>{m_pLayout, m_pDelimiter, m_pDecimalComma,
                                                           m_pByteOrderMark}) {
        widget->setEnabled(csv);
    }
    if (auto* model = qobject_cast<QStandardItemModel*>(m_pDelimiter->model())) {
        for (std::size_t i = 0; i < std::size(kDelimiters); ++i) {
            model->item(static_cast<int>(i))
                ->setEnabled(
                    CsvDelimiter(kDelimiters[i], m_pDecimalComma->isChecked()).has_value());
        }
    }
    m_pCompress->setEnabled(hdf5);
    m_pFolder->setEnabled(m_pInFolder->isChecked());
    m_pExport->setEnabled(m_pText->isChecked() || m_pJson->isChecked() || valued);
}

std::optional<ExportChoice> ExportDialog::Choice() {
    ExportChoice choice;
    choice.formats.clear();
    for (ExportFormat format : {ExportFormat::kText, ExportFormat::kCsv, ExportFormat::kJson,
                                ExportFormat::kHdf5, ExportFormat::kXlsx}) {
        if (FormatBox(format)->isChecked() && FormatBox(format)->isEnabled()) {
            choice.formats.push_back(format);
        }
    }
    auto refuse = [this](const QString& why) {
        m_pProblem->setText(why);
        m_pProblem->show();
        return std::nullopt;
    };
    if (choice.formats.empty()) {
        return refuse(tr("Choose at least one format."));
    }
    const bool csv = m_pCsv->isChecked();
    const bool values = csv || m_pHdf5->isChecked() || m_pXlsx->isChecked();
    ExportRequest& request = choice.request;
    if (values) {
        request.quantity = kPlotQuantities[static_cast<std::size_t>(m_pQuantity->currentIndex())];
        if (m_pUseGrid->isChecked()) {
            try {
                request.grid = ParseGrid(m_pGrid->text().trimmed().toStdString());
            } catch (const GridSyntaxError& error) {
                return refuse(tr("The wavelength grid: %1").arg(QString::fromUtf8(error.what())));
            }
        }
    }
    if (csv) {
        request.csv.layout =
            m_pLayout->currentIndex() == 1 ? CsvLayout::kRows : CsvLayout::kColumns;
        request.csv.decimalComma = m_pDecimalComma->isChecked();
        request.csv.byteOrderMark = m_pByteOrderMark->isChecked();
        const std::optional<char> delimiter =
            CsvDelimiter(ChosenDelimiter(), request.csv.decimalComma);
        if (!delimiter) {
            return refuse(
                tr("A decimal comma needs the semicolon or the tab delimiter: with "
                   "commas, 1,5 would read as two cells."));
        }
        request.csv.delimiter = *delimiter;
    }
    request.compress = m_pHdf5->isChecked() && m_pCompress->isChecked();
    if (m_pInFolder->isChecked()) {
        const QString folder = m_pFolder->text().trimmed();
        if (folder.isEmpty()) {
            return refuse(tr("Choose the folder the outputs go to."));
        }
        choice.outputFolder = QFile::encodeName(QDir::fromNativeSeparators(folder)).toStdString();
    }
    m_pProblem->hide();
    return choice;
}

void ExportDialog::accept() {
    m_Accepted = Choice();
    if (m_Accepted) {
        QDialog::accept();
    }
}

}  // namespace quillon
