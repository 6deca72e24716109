// SPDX-License-Identifier: MIT
// SpectrumPanel: the controls and the chart of the spectrum plot, drawn from SpectrumPlot.
#include "dialog/qt/spectrum_panel.h"

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsLayout>
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
#include <QRubberBand>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <string>

#include "dialog/plot_picture.h"
#include "dialog/qt/plot_keys.h"

namespace quillon {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString CurveName(Curve curve) {
    return QObject::tr(StyleOf(curve).name);
}

}  // namespace

// ---- SpectrumChartView ----

SpectrumChartView::SpectrumChartView(QChart* chart, QWidget* parent)
    : QChartView(chart, parent), m_pBand(new QRubberBand(QRubberBand::Rectangle, viewport())) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setRenderHint(QPainter::Antialiasing);
    // Right click zooms out; it opens no menu, neither here nor on the window behind.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

QPointF SpectrumChartView::ChartPoint(QPoint viewPoint) const {
    return chart()->mapFromScene(mapToScene(viewPoint));
}

void SpectrumChartView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && chart()->plotArea().contains(ChartPoint(at)) &&
        event->modifiers().testFlag(Qt::ControlModifier)) {
        emit ctrlClicked(ChartPoint(at));
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && chart()->plotArea().contains(ChartPoint(at))) {
        m_BandOrigin = at;
        m_pBand->setGeometry(QRect(at, QSize()));
        m_pBand->show();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void SpectrumChartView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (m_pBand->isVisible()) {
        m_pBand->setGeometry(QRect(m_BandOrigin, at).normalized());
        event->accept();
    } else {
        QChartView::mouseMoveEvent(event);
    }
    emit pointerMoved(ChartPoint(at));
}

void SpectrumChartView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (m_pBand->isVisible() && event->button() == Qt::LeftButton) {
        m_pBand->hide();
        emit rectangleDragged(QRectF(ChartPoint(m_BandOrigin), ChartPoint(at)).normalized());
        event->accept();
        return;
    }
    if (event->button() == Qt::RightButton && chart()->plotArea().contains(ChartPoint(at))) {
        emit zoomOutClicked();
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void SpectrumChartView::wheelEvent(QWheelEvent* event) {
    const double steps = WheelSteps(*event);
    if (steps == 0.0) {
        QChartView::wheelEvent(event);
        return;
    }
    emit wheelTurned(ChartPoint(event->position().toPoint()), steps);
    event->accept();
}

void SpectrumChartView::keyPressEvent(QKeyEvent* event) {
    const std::optional<PlotKey> key = PlotKeyOf(event->key());
    if (!key) {
        QChartView::keyPressEvent(event);
        return;
    }
    emit plotKeyPressed(*key);
    event->accept();
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
    connect(m_pView, &SpectrumChartView::rectangleDragged, this, [this](QRectF rectangle) {
        m_Plot.ZoomToRect(
            Area(), {rectangle.left(), rectangle.top(), rectangle.width(), rectangle.height()});
        ApplyAxes();
    });
    connect(m_pView, &SpectrumChartView::ctrlClicked, this, [this](QPointF at) {
        if (const std::optional<std::size_t> pixel = m_Plot.PixelAt(Area(), at.x(), at.y())) {
            emit wavelengthPicked(m_Plot.Curves().x[*pixel]);
        }
    });
    connect(m_pView, &SpectrumChartView::zoomOutClicked, this, [this] {
        m_Plot.ZoomOut();
        ApplyAxes();
    });
    connect(m_pView, &SpectrumChartView::wheelTurned, this, [this](QPointF at, double steps) {
        m_Plot.Wheel(Area(), at.x(), at.y(), steps);
        ApplyAxes();
    });
    connect(m_pView, &SpectrumChartView::plotKeyPressed, this, [this](PlotKey key) {
        m_Plot.Key(key);
        ApplyAxes();
    });
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
        const auto curve = static_cast<Curve>(i);
        auto* box = new QCheckBox(CurveName(curve), page);
        box->setChecked(m_Plot.IsCurveVisible(curve));
        box->setObjectName(QStringLiteral("show%1").arg(QLatin1String(StyleOf(curve).name)));
        box->setAccessibleName(tr("Show %1").arg(CurveName(curve).toLower()));
        m_CurveBoxes[i] = box;
        quantityRow->addWidget(box);
        connect(box, &QCheckBox::toggled, this,
                [this, curve](bool on) { SetCurveVisible(curve, on); });
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
    m_pChart->addAxis(m_pXAxis, Qt::AlignBottom);
    m_ValueAxes[SpectrumPlot::kQuantityAxis] = new QValueAxis(m_pChart);
    m_ValueAxes[SpectrumPlot::kCountsAxis] = new QValueAxis(m_pChart);
    m_pChart->addAxis(m_ValueAxes[SpectrumPlot::kQuantityAxis], Qt::AlignLeft);
    m_pChart->addAxis(m_ValueAxes[SpectrumPlot::kCountsAxis], Qt::AlignRight);
    for (QValueAxis* axis : {m_pXAxis, m_ValueAxes[0], m_ValueAxes[1]}) {
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0.0);
    }
    for (Curve curve : kCurveDrawingOrder) {
        m_Lines[Index(curve)].yAxis = m_ValueAxes[SpectrumPlot::AxisOf(curve)];
    }

    m_pView = new SpectrumChartView(m_pChart, this);

    for (Curve curve : kCurveDrawingOrder) {
        QLineSeries* first = AddPiece(curve);
        for (QLegendMarker* marker : m_pChart->legend()->markers(first)) {
            connect(marker, &QLegendMarker::clicked, this,
                    [this, curve] { SetCurveVisible(curve, !m_Plot.IsCurveVisible(curve)); });
        }
    }
    ApplyAxes();
    SyncLegend();
}

QLineSeries* SpectrumPanel::AddPiece(Curve curve) {
    CurveLine& line = m_Lines[Index(curve)];
    auto* series = new QLineSeries(m_pChart);
    series->setName(CurveName(curve));
    const CurveStyle& style = StyleOf(curve);
    QPen pen(QColor(style.color.red, style.color.green, style.color.blue));
    pen.setWidthF(style.width);
    series->setPen(pen);
    m_pChart->addSeries(series);
    series->attachAxis(m_pXAxis);
    series->attachAxis(line.yAxis);
    line.pieces.push_back(series);
    return series;
}

PlotArea SpectrumPanel::Area() const {
    const QRectF area = m_pChart->plotArea();
    return {area.left(), area.top(), area.width(), area.height()};
}

void SpectrumPanel::ShowFile(const ScanFile& file) {
    m_Plot.ShowFile(file);
    m_pPages->setCurrentIndex(1);
    m_pChart->setTitle(QFileInfo(QFile::decodeName(file.m_strPath.c_str())).fileName());
    for (Curve curve : kCurveDrawingOrder) {
        ApplyCurve(curve);
    }
    ApplyVisibility();
    ApplyChoosers();
    ApplyTexts();
    ApplyAxes();
    m_pReadout->setText(tr(kReadoutHint));
}

void SpectrumPanel::ShowScan(int number) {
    if (!m_Plot.HasFile()) {
        return;
    }
    m_Plot.ShowScan(static_cast<std::size_t>(std::max(number, 0)));
    ApplyCurve(Curve::kScan);
    ApplyVisibility();
    ApplyChoosers();
    ApplyTexts();
    ApplyAxes();
}

void SpectrumPanel::ShowQuantity(Quantity quantity) {
    m_Plot.ShowQuantity(quantity);
    ApplyCurve(Curve::kScan);
    ApplyVisibility();
    ApplyChoosers();
    ApplyTexts();
    ApplyAxes();
}

void SpectrumPanel::SetCurveVisible(Curve curve, bool visible) {
    m_Plot.SetCurveVisible(curve, visible);
    ApplyVisibility();
    ApplyAxes();
}

void SpectrumPanel::ResetZoom() {
    m_Plot.ResetZoom();
    ApplyAxes();
}

void SpectrumPanel::ApplyCurve(Curve curve) {
    CurveLine& line = m_Lines[Index(curve)];
    const std::vector<PixelRun>& runs = m_Plot.Runs(curve);
    const std::vector<double>& values = m_Plot.Values(curve);
    const std::vector<double>& x = m_Plot.Curves().x;
    while (line.pieces.size() < runs.size()) {
        AddPiece(curve);
    }
    QList<QPointF> points;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        points.clear();
        points.reserve(static_cast<qsizetype>(runs[r].end - runs[r].begin));
        for (std::size_t p = runs[r].begin; p < runs[r].end; ++p) {
            points.append(QPointF(x[p], values[p]));
        }
        line.pieces[r]->replace(points);
    }
    for (std::size_t r = runs.size(); r < line.used; ++r) {
        line.pieces[r]->clear();
    }
    line.used = runs.size();
}

void SpectrumPanel::ApplyVisibility() {
    for (Curve curve : kCurveDrawingOrder) {
        const CurveLine& line = m_Lines[Index(curve)];
        const bool visible = m_Plot.IsCurveVisible(curve);
        for (std::size_t i = 0; i < line.pieces.size(); ++i) {
            line.pieces[i]->setVisible(visible && (i == 0 || i < line.used));
        }
        QCheckBox* box = m_CurveBoxes[Index(curve)];
        if (box != nullptr) {
            const QSignalBlocker block(box);
            box->setChecked(visible);
        }
    }
    SyncLegend();
}

void SpectrumPanel::ApplyAxes() {
    auto apply = [](QValueAxis* axis, const Axis& model) {
        // The ticks first: the axis lays out its labels as soon as its range changes, and the
        // step of a range a thousand times narrower would give it a million labels.
        axis->setTickInterval(model.step);
        axis->setLabelFormat(QStringLiteral("%.%1f").arg(model.decimals));
        axis->setRange(model.range.low, model.range.high);
        axis->setTitleText(FromUtf8(model.title));
        axis->setVisible(model.visible);
    };
    apply(m_pXAxis, m_Plot.XAxis());
    for (std::size_t i = 0; i < m_ValueAxes.size(); ++i) {
        apply(m_ValueAxes[i], m_Plot.Frame().Value(i));
    }
}

void SpectrumPanel::ApplyChoosers() {
    const int scans = static_cast<int>(std::min<std::size_t>(m_Plot.ScanCount(), INT32_MAX));
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
        m_pScanChooser->setValue(static_cast<int>(m_Plot.ScanNumber()));
    }
    m_pScanChooser->setEnabled(scans > 0);
    const auto found =
        std::find(std::begin(kPlotQuantities), std::end(kPlotQuantities), m_Plot.ShownQuantity());
    const QSignalBlocker block(m_pQuantityChooser);
    m_pQuantityChooser->setCurrentIndex(static_cast<int>(found - std::begin(kPlotQuantities)));
}

void SpectrumPanel::ApplyTexts() {
    const QString text = FromUtf8(m_Plot.ScanTexts());
    m_pScanTexts->setText(text);
    m_pScanTexts->setToolTip(text);
    m_pScanTexts->setAccessibleName(FromUtf8(m_Plot.ScanTextsName()));
    // What a screen reader says about the plot, since it cannot see the lines.
    m_pView->setAccessibleDescription(FromUtf8(m_Plot.Description()));
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
    for (const LegendEntry& entry : m_Plot.Legend()) {
        const CurveLine& line = m_Lines[Index(entry.curve)];
        for (std::size_t i = 0; i < line.pieces.size(); ++i) {
            for (QLegendMarker* marker : m_pChart->legend()->markers(line.pieces[i])) {
                if (i > 0) {
                    marker->setVisible(false);
                    continue;
                }
                marker->setVisible(true);
                const qreal alpha = entry.dimmed ? 0.35 : 1.0;
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

void SpectrumPanel::ShowReadoutNote(const QString& text) {
    m_pReadout->setText(text);
}

void SpectrumPanel::ShowReadoutAt(QPointF chartPosition) {
    m_pReadout->setText(FromUtf8(m_Plot.ReadoutAt(Area(), chartPosition.x(), chartPosition.y())));
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
    const std::string name = PlotPictureName(m_Plot);
    return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

std::optional<QString> SpectrumPanel::SavePlot(const QString& path) const {
    const bool svg = path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
    // Written under a temporary name and renamed once complete: a failure leaves no part of
    // a picture under the name asked for.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    // The chart lays out its axes' titles and labels when the event loop next runs: the
    // picture of what the panel shows now needs that layout now.
    if (QGraphicsLayout* layout = m_pChart->layout(); layout != nullptr) {
        layout->activate();
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
