// SPDX-License-Identifier: MIT
// ExportDialog: the small dialog behind the window's "Export...": the export formats, the
// quantity, a wavelength grid, the CSV layout, delimiter and number style, HDF5 compression
// and the output folder, starting from quillon-convert's defaults.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "dialog/export_choice.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillon {

class ExportDialog : public QDialog {
    Q_OBJECT

  public:
    // Runs a folder dialog starting at a folder; the chosen folder or nothing.
    using FolderChooser = std::function<std::optional<QString>(QWidget* parent, const QString&)>;

    // inputFolder: where the outputs go by default; scans: what the window's selection
    // covers, as shown to the user ("all 5 scans", "scans 1-3,5").
    ExportDialog(const QString& inputFolder, const QString& scans, FolderChooser chooseFolder,
                 QWidget* parent = nullptr);

    // The choices as they stand; nothing, with the reason shown in the dialog, while they are
    // not complete (no format, a grid that is not START:STEP:END, no output folder).
    std::optional<ExportChoice> Choice();

    // The choice accepted with "Export" (once exec() has returned Accepted).
    const std::optional<ExportChoice>& Accepted() const { return m_Accepted; }

  public slots:
    void accept() override;

  private:
    QCheckBox* FormatBox(ExportFormat format) const;
    // Enables what the chosen formats use.
    void UpdateEnabled();
    // The delimiter chooser's choice, and the chooser's entry of a delimiter.
    char ChosenDelimiter() const;
    static int DelimiterIndex(char delimiter);

    FolderChooser m_ChooseFolder;
    QString m_strInputFolder;
    QCheckBox* m_pText = nullptr;
    QCheckBox* m_pCsv = nullptr;
    QCheckBox* m_pJson = nullptr;
    QCheckBox* m_pHdf5 = nullptr;
    QCheckBox* m_pXlsx = nullptr;
    QComboBox* m_pQuantity = nullptr;
    QCheckBox* m_pUseGrid = nullptr;
    QLineEdit* m_pGrid = nullptr;
    QComboBox* m_pLayout = nullptr;
    QComboBox* m_pDelimiter = nullptr;
    QCheckBox* m_pDecimalComma = nullptr;
    QCheckBox* m_pByteOrderMark = nullptr;
    QCheckBox* m_pCompress = nullptr;
    QRadioButton* m_pBesideInput = nullptr;
    QRadioButton* m_pInFolder = nullptr;
    QLineEdit* m_pFolder = nullptr;
    QPushButton* m_pChooseFolder = nullptr;
    QPushButton* m_pExport = nullptr;
    QLabel* m_pProblem = nullptr;
    std::optional<ExportChoice> m_Accepted;
};

}  // namespace quillon
