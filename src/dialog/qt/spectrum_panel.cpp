// SPDX-License-Identifier: MIT
// SpectrumPanel: the controls and the chart of the spectrum plot.
#include "dialog/qt/spectrum_panel.h"

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QStackedWidget>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr std::array<const char*, 3> kCurveNames = {"Dark", "Reference", "Scan"};
// Grey for the dark, orange for the reference, blue for the scan: told apart also by people
// who do not see red and green apart.
const std::array<QColor, 3> kCurveColors = {QColor(0x59, 0x59, 0x59), QColor(0xE0, 0x7B, 0x00),
                                            QColor(0x1F, 0x5F, 0xBF)};

}  // namespace

// ---- SpectrumChartView ----

SpectrumChartView::SpectrumChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setRubberBand(QChartView::RectangleRubberBand);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setRenderHint(QPainter::Antialiasing);
    // Right click zooms out; it opens no menu, neither here nor on the window behind.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void SpectrumChartView::ZoomAbout(QPointF at, double factor) {
    const QRectF area = chart()->plotArea();
    if (area.isEmpty() || !(factor > 0.0)) {
        return;
    }
    if (!area.contains(at)) {
        at = area.center();
    }
    const QRectF rect(at.x() - (at.x() - area.left()) * factor,
                      at.y() - (at.y() - area.top()) * factor, area.width() * factor,
                      area.height() * factor);
    chart()->zoomIn(rect);
}

void SpectrumChartView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0.0) {
        QChartView::wheelEvent(event);
        return;
    }
    const QPointF at = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    ZoomAbout(at, std::pow(0.8, steps));
    event->accept();
}

void SpectrumChartView::keyPressEvent(QKeyEvent* event) {
    const QRectF area = chart()->plotArea();
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomAbout(area.center(), 0.8);
            break;
        case Qt::Key_Minus:
            ZoomAbout(area.center(), 1.25);
            break;
        case Qt::Key_Left:
            chart()->scroll(-area.width() / 10.0, 0.0);
            break;
        case Qt::Key_Right:
            chart()->scroll(area.width() / 10.0, 0.0);
            break;
        case Qt::Key_Up:
            chart()->scroll(0.0, area.height() / 10.0);
            break;
        case Qt::Key_Down:
            chart()->scroll(0.0, -area.height() / 10.0);
            break;
        default:
            QChartView::keyPressEvent(event);
            return;
    }
    event->accept();
}

void SpectrumChartView::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    emit pointerMoved(chart()->mapFromScene(mapToScene(event->position().toPoint())));
}

void SpectrumChartView::leaveEvent(QEvent* event) {
    QChartView::leaveEvent(event);
    emit pointerLeft();
}

// ---- SpectrumPanel ----

SpectrumPanel::SpectrumPanel(QWidget* parent) : QWidget(parent) {
    CreateChart();
    CreateControls();
}

SpectrumPanel::~SpectrumPanel() = default;

void SpectrumPanel::CreateControls() {
    m_pPages = new QStackedWidget(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_pPages);

    // Before the first load: a note where the plot will be.
    auto* empty = new QLabel(tr("Open a scan data file with >> or drop it on the window to see "
                                "its spectra here."),
                             m_pPages);
    empty->setAlignment(Qt::AlignCenter);
    empty->setWordWrap(true);
    empty->setObjectName(QStringLiteral("plotPlaceholder"));
    m_pPages->addWidget(empty);

    auto* page = new QWidget(m_pPages);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);

    column->addLayout(CreateScanRow(page));
    column->addLayout(CreateQuantityRow(page));
    m_pView->setParent(page);
    m_pView->setObjectName(QStringLiteral("spectrumPlot"));
    m_pView->setAccessibleName(tr("Spectrum plot"));
    column->addWidget(m_pView, 1);
    column->addLayout(CreateButtonRow(page));
    m_pPages->addWidget(page);

    connect(m_pScanChooser, &QSpinBox::valueChanged, this, [this](int value) { ShowScan(value); });
    connect(m_pQuantityChooser, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < std::size(kPlotQuantities)) {
            ShowQuantity(kPlotQuantities[static_cast<std::size_t>(index)]);
        }
    });
    connect(m_pResetZoom, &QPushButton::clicked, this, [this] { ResetZoom(); });
    connect(m_pSavePlot, &QPushButton::clicked, this, [this] { emit savePlotRequested(); });
    connect(m_pExport, &QPushButton::clicked, this, [this] { emit exportRequested(); });
    connect(m_pView, &SpectrumChartView::pointerMoved, this,
            [this](QPointF at) { ShowReadoutAt(at); });
    connect(m_pView, &SpectrumChartView::pointerLeft, this,
            [this] { m_pReadout->setText(tr(kReadoutHint)); });
}

QHBoxLayout* SpectrumPanel::CreateScanRow(QWidget* page) {
    auto* scanRow = new QHBoxLayout;
    auto* scanCaption = new QLabel(tr("&Scan:"), page);
    m_pScanChooser = new QSpinBox(page);
    m_pScanChooser->setObjectName(QStringLiteral("scanChooser"));
    m_pScanChooser->setAccessibleName(tr("Scan number"));
    m_pScanChooser->installEventFilter(this);
    scanCaption->setBuddy(m_pScanChooser);
    m_pScanTexts = new QLabel(page);
    m_pScanTexts->setObjectName(QStringLiteral("scanTexts"));
    m_pScanTexts->setTextFormat(Qt::PlainText);
    m_pScanTexts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pScanTexts->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    scanRow->addWidget(scanCaption);
    scanRow->addWidget(m_pScanChooser);
    scanRow->addWidget(m_pScanTexts, 1);
    return scanRow;
}

QHBoxLayout* SpectrumPanel::CreateQuantityRow(QWidget* page) {
    auto* quantityRow = new QHBoxLayout;
    auto* quantityCaption = new QLabel(tr("&Quantity:"), page);
    m_pQuantityChooser = new QComboBox(page);
    m_pQuantityChooser->setObjectName(QStringLiteral("quantityChooser"));
    m_pQuantityChooser->setAccessibleName(tr("Quantity"));
    m_pQuantityChooser->installEventFilter(this);
    for (Quantity quantity : kPlotQuantities) {
        m_pQuantityChooser->addItem(FromUtf8(QuantityLabel(quantity)));
    }
    quantityCaption->setBuddy(m_pQuantityChooser);
    quantityRow->addWidget(quantityCaption);
    quantityRow->addWidget(m_pQuantityChooser);
    quantityRow->addSpacing(12);
    for (std::size_t i = 0; i < m_CurveBoxes.size(); ++i) {
        auto* box = new QCheckBox(tr(kCurveNames[i]), page);
        box->setChecked(true);
        box->setObjectName(QStringLiteral("show%1").arg(QLatin1String(kCurveNames[i])));
        box->setAccessibleName(tr("Show %1").arg(tr(kCurveNames[i]).toLower()));
        m_CurveBoxes[i] = box;
        quantityRow->addWidget(box);
        connect(box, &QCheckBox::toggled, this,
                [this, i](bool on) { SetCurveVisible(static_cast<Curve>(i), on); });
    }
    quantityRow->addStretch(1);
    return quantityRow;
}

QHBoxLayout* SpectrumPanel::CreateButtonRow(QWidget* page) {
    auto* bottomRow = new QHBoxLayout;
    m_pReadout = new QLabel(tr(kReadoutHint), page);
    m_pReadout->setObjectName(QStringLiteral("readout"));
    m_pReadout->setTextFormat(Qt::PlainText);
    m_pReadout->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pReadout->setAccessibleName(tr("Values under the pointer"));
    m_pResetZoom = new QPushButton(tr("&Reset zoom"), page);
    m_pResetZoom->setObjectName(QStringLiteral("resetZoom"));
    m_pResetZoom->setAccessibleName(tr("Reset zoom"));
    m_pSavePlot = new QPushButton(tr("Save &plot..."), page);
    m_pSavePlot->setObjectName(QStringLiteral("savePlot"));
    m_pSavePlot->setAccessibleName(tr("Save plot"));
    m_pExport = new QPushButton(tr("&Export..."), page);
    m_pExport->setObjectName(QStringLiteral("export"));
    m_pExport->setAccessibleName(tr("Export"));
    for (QPushButton* button : {m_pResetZoom, m_pSavePlot, m_pExport}) {
        // Enter elsewhere in the window keeps going to "Close".
        button->setAutoDefault(false);
    }
    bottomRow->addWidget(m_pReadout, 1);
    bottomRow->addWidget(m_pResetZoom);
    bottomRow->addWidget(m_pSavePlot);
    bottomRow->addWidget(m_pExport);
    return bottomRow;
}

void SpectrumPanel::CreateChart() {
    m_pChart = new QChart;
    m_pChart->setMargins(QMargins(4, 4, 4, 4));
    m_pChart->legend()->setAlignment(Qt::AlignBottom);
    m_pChart->setAnimationOptions(QChart::NoAnimation);

    m_pXAxis = new QValueAxis(m_pChart);
    m_pQuantityAxis = new QValueAxis(m_pChart);
    m_pCountsAxis = new QValueAxis(m_pChart);
    m_pChart->addAxis(m_pXAxis, Qt::AlignBottom);
    m_pChart->addAxis(m_pQuantityAxis, Qt::AlignLeft);
    m_pChart->addAxis(m_pCountsAxis, Qt::AlignRight);
    for (QValueAxis* axis : {m_pXAxis, m_pQuantityAxis, m_pCountsAxis}) {
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0.0);
        connect(axis, &QValueAxis::rangeChanged, this, [this, axis] {
            UpdateTicks(axis);
            if (!m_bSettingRanges) {
                m_bZoomed = true;
            }
        });
    }
    m_Lines[Index(Curve::kDark)].yAxis = m_pCountsAxis;
    m_Lines[Index(Curve::kReference)].yAxis = m_pCountsAxis;
    m_Lines[Index(Curve::kScan)].yAxis = m_pQuantityAxis;

    m_pView = new SpectrumChartView(m_pChart, this);

    // The scan first, so that it is drawn under the two others only where they meet it and
    // its legend entry leads.
    for (Curve curve : {Curve::kScan, Curve::kDark, Curve::kReference}) {
        QLineSeries* first = AddPiece(curve);
        for (QLegendMarker* marker : m_pChart->legend()->markers(first)) {
            connect(marker, &QLegendMarker::clicked, this,
                    [this, curve] { CurveBox(curve)->toggle(); });
        }
    }
    UpdateAxisTitles();
    SetRange(m_pXAxis, {0.0, 1.0});
    SetRange(m_pQuantityAxis, {0.0, 1.0});
    SetRange(m_pCountsAxis, {0.0, 1.0});
    SyncLegend();
}

QLineSeries* SpectrumPanel::AddPiece(Curve curve) {
    CurveLine& line = m_Lines[Index(curve)];
    auto* series = new QLineSeries(m_pChart);
    series->setName(tr(kCurveNames[Index(curve)]));
    QPen pen(kCurveColors[Index(curve)]);
    pen.setWidthF(curve == Curve::kScan ? 1.6 : 1.2);
    series->setPen(pen);
    // Attaching a line to the axes must not move them.
    const bool wasSetting = m_bSettingRanges;
    m_bSettingRanges = true;
    const double ranges[] = {m_pXAxis->min(), m_pXAxis->max(), line.yAxis->min(),
                             line.yAxis->max()};
    m_pChart->addSeries(series);
    series->attachAxis(m_pXAxis);
    series->attachAxis(line.yAxis);
    SetRange(m_pXAxis, {ranges[0], ranges[1]});
    SetRange(line.yAxis, {ranges[2], ranges[3]});
    m_bSettingRanges = wasSetting;
    line.pieces.push_back(series);
    return series;
}

void SpectrumPanel::ShowFile(const ScanFile& file) {
    m_pFile = &file;
    SetFileCurves(file, m_Curves);
    m_pPages->setCurrentIndex(1);

    const int scans = static_cast<int>(std::min<std::size_t>(file.ScanCount(), INT32_MAX));
    {
        const QSignalBlocker block(m_pScanChooser);
        if (scans == 0) {
            m_pScanChooser->setRange(0, 0);
            m_pScanChooser->setSpecialValueText(tr("none"));
            m_pScanChooser->setSuffix(QString());
        } else {
            m_pScanChooser->setSpecialValueText(QString());
            m_pScanChooser->setRange(1, scans);
            m_pScanChooser->setSuffix(tr(" of %1").arg(scans));
        }
        m_pScanChooser->setValue(scans == 0 ? 0 : 1);
    }
    m_pScanChooser->setEnabled(scans > 0);

    const int index = m_pQuantityChooser->currentIndex();
    const Quantity quantity = kPlotQuantities[static_cast<std::size_t>(std::max(index, 0))];
    SetScanCurve(file, scans == 0 ? 0 : 1, quantity, m_Curves);
    m_pChart->setTitle(QFileInfo(QFile::decodeName(file.m_strPath.c_str())).fileName());
    UpdateScanTexts();
    UpdateAxisTitles();
    FillAllCurves();
    ResetZoom();
    m_pReadout->setText(tr(kReadoutHint));
}

void SpectrumPanel::ShowScan(int number) {
    if (m_pFile == nullptr) {
        return;
    }
    if (m_pScanChooser->value() != number) {
        // Keep the chooser in step; its signal comes back here once.
        m_pScanChooser->setValue(number);
        return;
    }
    SetScanCurve(*m_pFile, static_cast<std::size_t>(std::max(number, 0)), m_Curves.quantity,
                 m_Curves);
    UpdateScanTexts();
    FillCurve(Curve::kScan, m_Curves.scan);
    SyncLegend();
    if (!m_bZoomed) {
        const ValueRange x = FullXRange();
        FitValues(x.low, x.high);
    }
    UpdateDescription();
}

void SpectrumPanel::ShowQuantity(Quantity quantity) {
    const auto found = std::find(std::begin(kPlotQuantities), std::end(kPlotQuantities), quantity);
    const int index = static_cast<int>(found - std::begin(kPlotQuantities));
    if (m_pQuantityChooser->currentIndex() != index) {
        m_pQuantityChooser->setCurrentIndex(index);
        return;
    }
    m_Curves.quantity = quantity;
    if (m_pFile == nullptr) {
        return;
    }
    SetScanCurve(*m_pFile, m_Curves.scanNumber, quantity, m_Curves);
    FillCurve(Curve::kScan, m_Curves.scan);
    SyncLegend();
    UpdateAxisTitles();
    // The values change their meaning: fit them again over the wavelengths shown.
    const bool zoomed = m_bZoomed;
    FitValues(m_pXAxis->min(), m_pXAxis->max());
    m_bZoomed = zoomed;
    UpdateDescription();
}

void SpectrumPanel::SetCurveVisible(Curve curve, bool visible) {
    CurveLine& line = m_Lines[Index(curve)];
    if (CurveBox(curve)->isChecked() != visible) {
        CurveBox(curve)->setChecked(visible);
        return;
    }
    line.visible = visible;
    for (std::size_t i = 0; i < line.pieces.size(); ++i) {
        line.pieces[i]->setVisible(visible && (i == 0 || i < line.used));
    }
    SyncLegend();
    if (!m_bZoomed) {
        FitValues(m_pXAxis->min(), m_pXAxis->max());
    }
}

bool SpectrumPanel::IsCurveVisible(Curve curve) const {
    return m_Lines[Index(curve)].visible;
}

void SpectrumPanel::ResetZoom() {
    m_bSettingRanges = true;
    m_pChart->zoomReset();
    m_bSettingRanges = false;
    const ValueRange x = FullXRange();
    SetRange(m_pXAxis, x);
    FitValues(x.low, x.high);
    m_bZoomed = false;
}

void SpectrumPanel::FillCurve(Curve curve, const std::vector<double>& values) {
    CurveLine& line = m_Lines[Index(curve)];
    DefinedRuns(values, m_Runs);
    while (line.pieces.size() < m_Runs.size()) {
        AddPiece(curve);
    }
    QList<QPointF> points;
    for (std::size_t r = 0; r < m_Runs.size(); ++r) {
        points.clear();
        points.reserve(static_cast<qsizetype>(m_Runs[r].end - m_Runs[r].begin));
        for (std::size_t p = m_Runs[r].begin; p < m_Runs[r].end; ++p) {
            points.append(QPointF(m_Curves.x[p], values[p]));
        }
        line.pieces[r]->replace(points);
    }
    for (std::size_t r = m_Runs.size(); r < line.used; ++r) {
        line.pieces[r]->clear();
    }
    line.used = m_Runs.size();
    for (std::size_t i = 0; i < line.pieces.size(); ++i) {
        line.pieces[i]->setVisible(line.visible && (i == 0 || i < line.used));
    }
}

void SpectrumPanel::FillAllCurves() {
    FillCurve(Curve::kDark, m_Curves.dark);
    FillCurve(Curve::kReference, m_Curves.reference);
    FillCurve(Curve::kScan, m_Curves.scan);
    SyncLegend();
}

void SpectrumPanel::SyncLegend() {
    SyncLegendNow();
    // The legend shows or hides a line's marker with the line, through a queued call: once
    // that has run, the markers are set again.
    if (!m_bLegendSyncPending) {
        m_bLegendSyncPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_bLegendSyncPending = false;
                SyncLegendNow();
            },
            Qt::QueuedConnection);
    }
}

void SpectrumPanel::SyncLegendNow() {
    for (const CurveLine& line : m_Lines) {
        for (std::size_t i = 0; i < line.pieces.size(); ++i) {
            for (QLegendMarker* marker : m_pChart->legend()->markers(line.pieces[i])) {
                if (i > 0) {
                    marker->setVisible(false);
                    continue;
                }
                // A hidden curve keeps its entry, dimmed, so that a click brings it back.
                marker->setVisible(true);
                const qreal alpha = line.visible ? 1.0 : 0.35;
                QBrush label = marker->labelBrush();
                QColor color = label.color();
                color.setAlphaF(static_cast<float>(alpha));
                label.setColor(color);
                marker->setLabelBrush(label);
                QPen pen = line.pieces[0]->pen();
                QColor penColor = pen.color();
                penColor.setAlphaF(static_cast<float>(alpha));
                pen.setColor(penColor);
                marker->setPen(pen);
                marker->setBrush(QBrush(penColor));
            }
        }
    }
}

void SpectrumPanel::UpdateScanTexts() {
    const std::size_t scans = m_pFile == nullptr ? 0 : m_pFile->ScanCount();
    QString text;
    QString name;
    if (scans == 0) {
        text = tr("This file holds no scans.");
        name = text;
    } else if (!m_Curves.problem.empty()) {
        // The file changed on disk since it was loaded: say so where the texts stand.
        text = tr("Scan %1 could not be read: %2")
                   .arg(m_Curves.scanNumber)
                   .arg(FromUtf8(m_Curves.problem));
        name = text;
    } else {
        text = FromUtf8(m_Curves.description);
        name = tr("Scan %1 of %2: %3")
                   .arg(m_Curves.scanNumber)
                   .arg(scans)
                   .arg(text.isEmpty() ? tr("no title or date") : text);
    }
    m_pScanTexts->setText(text);
    m_pScanTexts->setToolTip(text);
    m_pScanTexts->setAccessibleName(name);
}

ValueRange SpectrumPanel::FullXRange() const {
    const std::vector<double>& x = m_Curves.x;
    if (x.size() >= 2 && x.front() < x.back()) {
        return {x.front(), x.back()};
    }
    return PaddedRange(x.empty() ? std::nullopt
                                 : std::optional<ValueRange>(ValueRange{x.front(), x.front()}));
}

void SpectrumPanel::FitValues(double xLow, double xHigh) {
    auto rangeOf = [&](Curve curve, const std::vector<double>& values) {
        return IsCurveVisible(curve) ? FiniteRange(m_Curves.x, values, xLow, xHigh) : std::nullopt;
    };
    auto unite = [](std::optional<ValueRange> a, std::optional<ValueRange> b) {
        if (!a) {
            return b;
        }
        if (!b) {
            return a;
        }
        return std::optional<ValueRange>(
            ValueRange{std::min(a->low, b->low), std::max(a->high, b->high)});
    };
    const auto scan = rangeOf(Curve::kScan, m_Curves.scan);
    const auto spectra =
        unite(rangeOf(Curve::kDark, m_Curves.dark), rangeOf(Curve::kReference, m_Curves.reference));
    if (InCounts(m_Curves.quantity)) {
        // One scale for all three: the hidden right axis repeats the left one.
        const ValueRange all = PaddedRange(unite(scan, spectra));
        SetRange(m_pQuantityAxis, all);
        SetRange(m_pCountsAxis, all);
    } else {
        SetRange(m_pQuantityAxis, PaddedRange(scan));
        SetRange(m_pCountsAxis, PaddedRange(spectra));
    }
}

void SpectrumPanel::SetRange(QValueAxis* axis, ValueRange range) {
    const bool wasSetting = m_bSettingRanges;
    m_bSettingRanges = true;
    // The ticks first: the axis lays out its labels as soon as its range changes, and the
    // step of a range a thousand times narrower would give it a million labels.
    SetTicks(axis, range);
    axis->setRange(range.low, range.high);
    m_bSettingRanges = wasSetting;
}

void SpectrumPanel::UpdateTicks(QValueAxis* axis) {
    SetTicks(axis, {axis->min(), axis->max()});
}

void SpectrumPanel::SetTicks(QValueAxis* axis, ValueRange range) {
    const double step = NiceStep(range.high - range.low);
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step))));
    axis->setTickInterval(step);
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}

void SpectrumPanel::UpdateAxisTitles() {
    m_pXAxis->setTitleText(FromUtf8(XAxisTitle(m_Curves.axis)));
    m_pQuantityAxis->setTitleText(FromUtf8(QuantityTitle(m_Curves.quantity)));
    const bool counts = InCounts(m_Curves.quantity);
    m_pCountsAxis->setTitleText(tr("Dark and reference (counts)"));
    m_pCountsAxis->setVisible(!counts);
    UpdateDescription();
}

void SpectrumPanel::UpdateDescription() {
    // What a screen reader says about the plot, since it cannot see the lines.
    if (m_pFile == nullptr) {
        m_pView->setAccessibleDescription(tr("No file is loaded."));
        return;
    }
    QString text = tr("%1 of scan %2 against %3, with the dark and reference spectra")
                       .arg(FromUtf8(QuantityLabel(m_Curves.quantity)))
                       .arg(m_Curves.scanNumber)
                       .arg(m_Curves.axis == PlotAxis::kWavelength ? tr("wavelength in nm")
                                                                   : tr("pixel number"));
    if (m_Curves.undefined > 0) {
        text += tr("; %1 values not defined").arg(m_Curves.undefined);
    }
    m_pView->setAccessibleDescription(text);
}

std::vector<QLineSeries*> SpectrumPanel::CurveLines(Curve curve) const {
    const CurveLine& line = m_Lines[Index(curve)];
    return {line.pieces.begin(), line.pieces.begin() + static_cast<std::ptrdiff_t>(line.used)};
}

void SpectrumPanel::ShowReadoutAt(QPointF chartPosition) {
    const QRectF area = m_pChart->plotArea();
    if (m_pFile == nullptr || area.width() <= 0.0 || !area.contains(chartPosition)) {
        m_pReadout->setText(tr(kReadoutHint));
        return;
    }
    const double fraction = (chartPosition.x() - area.left()) / area.width();
    const double x = m_pXAxis->min() + fraction * (m_pXAxis->max() - m_pXAxis->min());
    const std::optional<std::size_t> pixel = NearestPixel(m_Curves, x);
    if (!pixel) {
        m_pReadout->setText(tr("This file has no pixels."));
        return;
    }
    const CurveVisibility visible{IsCurveVisible(Curve::kDark), IsCurveVisible(Curve::kReference),
                                  IsCurveVisible(Curve::kScan)};
    m_pReadout->setText(FromUtf8(ReadoutText(m_Curves, *pixel, visible)));
}

bool SpectrumPanel::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the scan or quantity chooser takes what was typed or chosen; it does not end
    // the program through the window's default button.
    if (event->type() == QEvent::KeyPress &&
        (watched == m_pScanChooser || watched == m_pQuantityChooser)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == m_pScanChooser) {
                m_pScanChooser->interpretText();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString SpectrumPanel::SuggestedPlotName() const {
    if (m_pFile == nullptr) {
        return QStringLiteral("spectrum.png");
    }
    const QFileInfo input(QFile::decodeName(m_pFile->m_strPath.c_str()));
    QString quantity = FromUtf8(QuantityLabel(m_Curves.quantity)).toLower();
    quantity.replace(QLatin1Char('-'), QLatin1Char('_'));
    return input.dir().filePath(QStringLiteral("%1_scan%2_%3.png")
                                    .arg(input.completeBaseName())
                                    .arg(m_Curves.scanNumber)
                                    .arg(quantity));
}

std::optional<QString> SpectrumPanel::SavePlot(const QString& path) const {
    const bool svg = path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
    // Written under a temporary name and renamed once complete: a failure leaves no part of
    // a picture under the name asked for.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    const QSizeF size = m_pChart->size();
    const QRectF source(QPointF(0.0, 0.0), size);
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(size.toSize());
        generator.setViewBox(source);
        generator.setTitle(m_pChart->title());
        generator.setDescription(m_pView->accessibleDescription());
        QPainter painter;
        if (!painter.begin(&generator)) {
            file.cancelWriting();
            return tr("the picture could not be drawn");
        }
        m_pChart->scene()->render(&painter, source, m_pChart->sceneBoundingRect());
        painter.end();
    } else {
        const qreal ratio = std::max<qreal>(2.0, devicePixelRatioF());
        QImage image((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        m_pChart->scene()->render(&painter, source, m_pChart->sceneBoundingRect());
        painter.end();
        QImageWriter writer(&file, "png");
        if (!writer.write(image)) {
            file.cancelWriting();
            return writer.errorString();
        }
    }
    if (file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

}  // namespace quillon
