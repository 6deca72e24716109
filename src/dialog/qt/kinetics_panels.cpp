// SPDX-License-Identifier: MIT
// TracePanel and MapPanel: the widgets of the Trace and Map views, drawn from Kinetics.
#include "dialog/qt/kinetics_panels.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRubberBand>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <string>

#include "dialog/plot_svg.h"
#include "dialog/qt/painter_canvas.h"
#include "dialog/qt/plot_keys.h"

namespace quillon {

namespace {

// A press and release closer than this (pixels) is a click, not a dragged rectangle.
constexpr int kDragThreshold = 4;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

PlotColors ScreenColors(const QWidget& widget) {
    const QColor base = widget.palette().color(QPalette::Base);
    const QColor text = widget.palette().color(QPalette::Text);
    PlotColors colors;
    colors.background = {static_cast<std::uint8_t>(base.red()),
                         static_cast<std::uint8_t>(base.green()),
                         static_cast<std::uint8_t>(base.blue())};
    colors.text = {static_cast<std::uint8_t>(text.red()), static_cast<std::uint8_t>(text.green()),
                   static_cast<std::uint8_t>(text.blue())};
    return colors;
}

QComboBox* QuantityChooser(QWidget* parent, const QString& name) {
    auto* chooser = new QComboBox(parent);
    chooser->setObjectName(name);
    chooser->setAccessibleName(QObject::tr("Quantity"));
    for (Quantity quantity : kPlotQuantities) {
        chooser->addItem(FromUtf8(QuantityLabel(quantity)));
    }
    return chooser;
}

QPushButton* Button(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
    // Enter elsewhere in the window keeps going to "Close".
    button->setAutoDefault(false);
    return button;
}

QLabel* TextLine(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

PlotArea AreaOf(const QRectF& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

// Wires a kinetics plot to its model (a TracePlot or a ScanMap): the pointer's position kept in
// `pointer` for the readout (`showReadout`), and the zoom by a dragged rectangle, a right click,
// the wheel, the keys and `resetZoom`, in the plot's area as `area` gives it; the plot is drawn
// again after each.
template <typename Model>
void ConnectPlot(QWidget* panel, PictureWidget* plot, QPushButton* resetZoom, Model& model,
                 std::optional<QPointF>& pointer, const std::function<PlotArea()>& area,
                 const std::function<void()>& showReadout) {
    QObject::connect(resetZoom, &QPushButton::clicked, panel, [plot, &model, showReadout] {
        model.ResetZoom();
        showReadout();
        plot->update();
    });
    QObject::connect(plot, &PictureWidget::pointerMoved, panel,
                     [&pointer, showReadout](QPointF at) {
                         pointer = at;
                         showReadout();
                     });
    QObject::connect(plot, &PictureWidget::pointerLeft, panel, [&pointer, showReadout] {
        pointer.reset();
        showReadout();
    });
    QObject::connect(plot, &PictureWidget::rectangleDragged, panel,
                     [plot, &model, area](QRectF rectangle) {
                         model.ZoomToRect(area(), AreaOf(rectangle));
                         plot->update();
                     });
    QObject::connect(plot, &PictureWidget::zoomOutClicked, panel, [plot, &model] {
        model.ZoomOut();
        plot->update();
    });
    QObject::connect(plot, &PictureWidget::wheelTurned, panel,
                     [plot, &model, area](QPointF at, double steps) {
                         model.Wheel(area(), at.x(), at.y(), steps);
                         plot->update();
                     });
    QObject::connect(plot, &PictureWidget::plotKeyPressed, panel, [plot, &model](PlotKey key) {
        model.Key(key);
        plot->update();
    });
}

}  // namespace

// ---- PictureWidget ----

PictureWidget::PictureWidget(QWidget* parent)
    : QWidget(parent), m_pBand(new QRubberBand(QRubberBand::Rectangle, this)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PictureWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PainterCanvas canvas(&painter, font());
    if (draw) {
        draw(canvas, width(), height());
    }
}

void PictureWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_PressedAt = event->position().toPoint();
        m_bPressed = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void PictureWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (m_bPressed && (at - m_PressedAt).manhattanLength() > kDragThreshold) {
        m_pBand->setGeometry(QRect(m_PressedAt, at).normalized());
        m_pBand->show();
    }
    emit pointerMoved(event->position());
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_bPressed) {
        m_bPressed = false;
        if (m_pBand->isVisible()) {
            m_pBand->hide();
            emit rectangleDragged(QRectF(QPointF(m_PressedAt), QPointF(at)).normalized());
        } else {
            emit clicked(event->position(), event->modifiers());
        }
        event->accept();
        return;
    }
    if (event->button() == Qt::RightButton) {
        emit zoomOutClicked();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void PictureWidget::wheelEvent(QWheelEvent* event) {
    const double steps = WheelSteps(*event);
    if (steps == 0.0) {
        QWidget::wheelEvent(event);
        return;
    }
    emit wheelTurned(event->position(), steps);
    event->accept();
}

void PictureWidget::keyPressEvent(QKeyEvent* event) {
    const std::optional<PlotKey> key = PlotKeyOf(event->key());
    if (!key) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit plotKeyPressed(*key);
    event->accept();
}

void PictureWidget::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerLeft();
}

std::optional<QString> SavePicture(const QString& path, double width, double height,
                                   const QFont& font,
                                   const std::function<void(PlotCanvas&, double, double)>& draw) {
    // Written under a temporary name and renamed once complete: a failure leaves no part of
    // a picture under the name asked for.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        PainterCanvas measure(nullptr, font);
        const double size =
            font.pixelSize() > 0 ? font.pixelSize() : QFontMetricsF(font).height() / 1.2;
        SvgCanvas svg(width, height, font.family().toStdString(), size, measure);
        draw(svg, width, height);
        const std::string document = svg.Document();
        file.write(document.data(), static_cast<qint64>(document.size()));
    } else {
        const qreal ratio = 2.0;
        QImage image(QSize(static_cast<int>(width * ratio), static_cast<int>(height * ratio)),
                     QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        PainterCanvas canvas(&painter, font);
        draw(canvas, width, height);
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

// ---- TracePanel ----

TracePanel::TracePanel(Kinetics& kinetics, QWidget* parent)
    : QWidget(parent), m_Kinetics(kinetics) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    auto* caption = new QLabel(tr("&Wavelength:"), this);
    m_pWavelength = new QLineEdit(this);
    m_pWavelength->setObjectName(QStringLiteral("traceWavelength"));
    m_pWavelength->setAccessibleName(tr("Wavelength to trace"));
    m_pWavelength->setPlaceholderText(tr("nm"));
    m_pWavelength->setMinimumWidth(80);
    m_pWavelength->setMaximumWidth(120);
    caption->setBuddy(m_pWavelength);
    m_pAdd = Button(tr("&Add"), QStringLiteral("addWavelength"), this);
    m_pTraced = new QComboBox(this);
    m_pTraced->setObjectName(QStringLiteral("tracedWavelengths"));
    m_pTraced->setAccessibleName(tr("Wavelengths traced"));
    m_pTraced->setMinimumContentsLength(10);
    m_pRemove = Button(tr("Re&move"), QStringLiteral("removeWavelength"), this);
    m_pQuantity = QuantityChooser(this, QStringLiteral("traceQuantity"));
    auto* quantityCaption = new QLabel(tr("&Quantity:"), this);
    quantityCaption->setBuddy(m_pQuantity);
    top->addWidget(caption);
    top->addWidget(m_pWavelength);
    top->addWidget(m_pAdd);
    top->addStretch(1);
    top->addWidget(quantityCaption);
    top->addWidget(m_pQuantity);
    column->addLayout(top);
    auto* traced = new QHBoxLayout;
    auto* tracedCaption = new QLabel(tr("Traced:"), this);
    tracedCaption->setBuddy(m_pTraced);
    traced->addWidget(tracedCaption);
    traced->addWidget(m_pTraced);
    traced->addWidget(m_pRemove);
    traced->addStretch(1);
    column->addLayout(traced);

    m_pPlot = new PictureWidget(this);
    m_pPlot->setObjectName(QStringLiteral("tracePlot"));
    m_pPlot->setAccessibleName(tr("Trace plot"));
    m_pPlot->draw = [this](PlotCanvas& canvas, double width, double height) {
        const TraceLayout layout = LayOutTrace(m_Kinetics.Trace(), width, height, 1.0, canvas);
        DrawTrace(m_Kinetics.Trace(), layout, canvas, ScreenColors(*this));
    };
    column->addWidget(m_pPlot, 1);

    m_pStatus = TextLine(QStringLiteral("traceStatus"), this);
    column->addWidget(m_pStatus);
    auto* bottom = new QHBoxLayout;
    m_pReadout = TextLine(QStringLiteral("traceReadout"), this);
    m_pReadout->setText(tr(kTraceHint));
    m_pReadout->setAccessibleName(tr("Values under the pointer"));
    m_pResetZoom = Button(tr("&Reset zoom"), QStringLiteral("traceResetZoom"), this);
    m_pSavePlot = Button(tr("Save &plot..."), QStringLiteral("traceSavePlot"), this);
    m_pExport = Button(tr("Export &trace..."), QStringLiteral("exportTrace"), this);
    bottom->addWidget(m_pReadout, 1);
    bottom->addWidget(m_pResetZoom);
    bottom->addWidget(m_pSavePlot);
    bottom->addWidget(m_pExport);
    column->addLayout(bottom);

    auto addTyped = [this] {
        bool ok = false;
        const double value = QLocale::c().toDouble(m_pWavelength->text().trimmed(), &ok);
        if (!ok) {
            m_pStatus->setText(tr("Type a wavelength in nm, such as 546.07."));
            return;
        }
        if (AddWavelength(value)) {
            m_pWavelength->clear();
        }
    };
    connect(m_pAdd, &QPushButton::clicked, this, addTyped);
    // Enter in the field adds what was typed; it does not end the program through the
    // window's default button.
    m_pWavelength->installEventFilter(this);
    connect(this, &TracePanel::wavelengthEntered, this, addTyped);
    connect(m_pRemove, &QPushButton::clicked, this, [this] {
        if (m_pTraced->currentIndex() >= 0) {
            m_Kinetics.RemoveWavelength(static_cast<std::size_t>(m_pTraced->currentIndex()));
            Refresh();
        }
    });
    connect(m_pQuantity, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < std::size(kPlotQuantities)) {
            m_Kinetics.SetTraceQuantity(kPlotQuantities[static_cast<std::size_t>(index)]);
            Refresh();
        }
    });
    connect(m_pSavePlot, &QPushButton::clicked, this, [this] { emit savePlotRequested(); });
    connect(m_pExport, &QPushButton::clicked, this, [this] { emit exportTableRequested(); });
    connect(m_pPlot, &PictureWidget::clicked, this, [this](QPointF at, Qt::KeyboardModifiers) {
        if (const auto scan = m_Kinetics.Trace().ScanAt(Area(), at.x(), at.y())) {
            emit scanPicked(static_cast<int>(*scan + 1));
        }
    });
    ConnectPlot(
        this, m_pPlot, m_pResetZoom, m_Kinetics.Trace(), m_Pointer, [this] { return Area(); },
        [this] { ShowReadout(); });
    Refresh();
}

bool TracePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pWavelength && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit wavelengthEntered();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TracePanel::AddWavelength(double wavelength) {
    const std::string problem = m_Kinetics.AddWavelength(wavelength);
    Refresh();
    if (!problem.empty()) {
        m_pStatus->setText(FromUtf8(problem));
        return false;
    }
    return true;
}

void TracePanel::ApplyList() {
    const TracePlot& trace = m_Kinetics.Trace();
    const QSignalBlocker block(m_pTraced);
    // Made again only when the wavelengths change: a refresh while the values fill in leaves
    // an open list open.
    QStringList labels;
    for (std::size_t w = 0; w < trace.Wavelengths().size(); ++w) {
        labels << FromUtf8(trace.WavelengthLabel(w));
    }
    QStringList shown;
    for (int i = 0; i < m_pTraced->count(); ++i) {
        shown << m_pTraced->itemText(i);
    }
    if (labels != shown) {
        const int current = m_pTraced->currentIndex();
        m_pTraced->clear();
        for (qsizetype w = 0; w < labels.size(); ++w) {
            const Rgb color = TraceColor(static_cast<std::size_t>(w));
            QPixmap swatch(12, 12);
            swatch.fill(QColor(color.red, color.green, color.blue));
            m_pTraced->addItem(QIcon(swatch), labels[w]);
        }
        m_pTraced->setCurrentIndex(
            labels.isEmpty() ? -1 : std::clamp(current, 0, m_pTraced->count() - 1));
    }
    m_pTraced->setEnabled(m_pTraced->count() > 0);
    m_pRemove->setEnabled(m_pTraced->count() > 0);
    const auto found =
        std::find(std::begin(kPlotQuantities), std::end(kPlotQuantities), trace.ShownQuantity());
    const QSignalBlocker blockQuantity(m_pQuantity);
    m_pQuantity->setCurrentIndex(static_cast<int>(found - std::begin(kPlotQuantities)));
    m_pWavelength->setPlaceholderText(trace.AxisKind() == PlotAxis::kWavelength ? tr("nm")
                                                                                : tr("pixel"));
}

void TracePanel::Refresh() {
    ApplyList();
    const TracePlot& trace = m_Kinetics.Trace();
    m_pStatus->setText(FromUtf8(m_Kinetics.TraceStatus()));
    m_pSavePlot->setEnabled(trace.HasFile());
    m_pExport->setEnabled(trace.HasFile() && !trace.Wavelengths().empty());
    m_pPlot->setAccessibleDescription(FromUtf8(trace.Description()));
    ShowReadout();
    m_pPlot->update();
}

void TracePanel::ShowReadout() {
    // What lies under a pointer that rests on the plot changes as the values fill in.
    m_pReadout->setText(
        m_Pointer ? FromUtf8(m_Kinetics.Trace().ReadoutAt(Area(), m_Pointer->x(), m_Pointer->y()))
                  : tr(kTraceHint));
}

TraceLayout TracePanel::Layout() const {
    PainterCanvas measure(nullptr, m_pPlot->font());
    return LayOutTrace(m_Kinetics.Trace(), m_pPlot->width(), m_pPlot->height(), 1.0, measure);
}

PlotArea TracePanel::Area() const {
    return Layout().area;
}

QString TracePanel::SuggestedPictureName() const {
    return FromPath(m_Kinetics.Trace().PictureName());
}

QString TracePanel::SuggestedTableName() const {
    return FromPath(m_Kinetics.Trace().TableName());
}

std::optional<QString> TracePanel::SavePicture(const QString& path) const {
    return quillon::SavePicture(path, m_pPlot->width(), m_pPlot->height(), m_pPlot->font(),
                                [this](PlotCanvas& canvas, double width, double height) {
                                    const TraceLayout layout =
                                        LayOutTrace(m_Kinetics.Trace(), width, height, 1.0, canvas);
                                    DrawTrace(m_Kinetics.Trace(), layout, canvas);
                                });
}

std::optional<QString> TracePanel::ExportTable(const QString& path) const {
    try {
        m_Kinetics.Trace().WriteTable(QFile::encodeName(path).toStdString());
    } catch (const std::exception& error) {
        return FromUtf8(error.what());
    }
    return std::nullopt;
}

// ---- MapPanel ----

MapPanel::MapPanel(Kinetics& kinetics, QWidget* parent) : QWidget(parent), m_Kinetics(kinetics) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    m_pQuantity = QuantityChooser(this, QStringLiteral("mapQuantity"));
    auto* rowsCaption = new QLabel(tr("R&ows:"), this);
    m_pRows = new QComboBox(this);
    m_pRows->setObjectName(QStringLiteral("mapRows"));
    m_pRows->setAccessibleName(tr("What a row of several scans shows"));
    for (MapRows rows : kMapRowChoices) {
        m_pRows->addItem(FromUtf8(MapRowsLabel(rows)));
    }
    rowsCaption->setBuddy(m_pRows);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(QStringLiteral("mapProgress"));
    m_pProgress->setAccessibleName(tr("Scans read for the map"));
    m_pProgress->setRange(0, 1000);
    m_pCancel = Button(tr("&Cancel"), QStringLiteral("cancelMap"), this);
    top->addWidget(m_pQuantity);
    top->addWidget(rowsCaption);
    top->addWidget(m_pRows);
    top->addWidget(m_pProgress, 1);
    top->addWidget(m_pCancel);
    column->addLayout(top);

    m_pMap = new PictureWidget(this);
    m_pMap->setObjectName(QStringLiteral("scanMap"));
    m_pMap->setAccessibleName(tr("Map of every scan"));
    m_pMap->draw = [this](PlotCanvas& canvas, double width, double height) {
        const MapLayout layout = LayOutMap(m_Kinetics.Map(), width, height, 1.0, canvas);
        DrawMap(m_Kinetics.Map(), layout, canvas, ScreenColors(*this), m_Picked);
    };
    column->addWidget(m_pMap, 1);

    m_pStatus = TextLine(QStringLiteral("mapStatus"), this);
    column->addWidget(m_pStatus);
    auto* bottom = new QHBoxLayout;
    m_pReadout = TextLine(QStringLiteral("mapReadout"), this);
    m_pReadout->setText(tr(kMapHint));
    m_pReadout->setAccessibleName(tr("Value under the pointer"));
    m_pResetZoom = Button(tr("&Reset zoom"), QStringLiteral("mapResetZoom"), this);
    m_pSavePlot = Button(tr("Save &plot..."), QStringLiteral("mapSavePlot"), this);
    bottom->addWidget(m_pReadout, 1);
    bottom->addWidget(m_pResetZoom);
    bottom->addWidget(m_pSavePlot);
    column->addLayout(bottom);

    connect(m_pQuantity, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < std::size(kPlotQuantities)) {
            m_Kinetics.Map().SetQuantity(kPlotQuantities[static_cast<std::size_t>(index)]);
            Refresh();
        }
    });
    connect(m_pRows, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < std::size(kMapRowChoices)) {
            m_Kinetics.Map().SetRowReduction(kMapRowChoices[static_cast<std::size_t>(index)]);
            Refresh();
        }
    });
    connect(m_pCancel, &QPushButton::clicked, this, [this] {
        m_Kinetics.CancelMap();
        Refresh();
    });
    connect(m_pSavePlot, &QPushButton::clicked, this, [this] { emit savePlotRequested(); });
    connect(m_pMap, &PictureWidget::clicked, this,
            [this](QPointF at, Qt::KeyboardModifiers modifiers) {
                const std::optional<MapPick> pick = m_Kinetics.Map().PickAt(Area(), at.x(), at.y());
                if (!pick) {
                    return;
                }
                m_Picked = pick;
                m_pMap->update();
                emit pointPicked(static_cast<int>(pick->scan + 1), pick->x,
                                 modifiers.testFlag(Qt::ControlModifier));
            });
    ConnectPlot(
        this, m_pMap, m_pResetZoom, m_Kinetics.Map(), m_Pointer, [this] { return Area(); },
        [this] { ShowReadout(); });
    Refresh();
}

void MapPanel::Refresh() {
    const ScanMap& map = m_Kinetics.Map();
    if (!map.HasFile()) {
        m_Picked.reset();
    }
    const std::size_t scans = map.ScanCount();
    m_pProgress->setValue(scans == 0 ? (map.HasFile() ? 1000 : 0)
                                     : static_cast<int>(std::min<std::size_t>(
                                           map.ScansFilled() * 1000 / scans, 1000)));
    m_pCancel->setEnabled(m_Kinetics.IsMapRunning());
    m_pStatus->setText(FromUtf8(m_Kinetics.MapStatus()));
    m_pSavePlot->setEnabled(map.HasFile());
    {
        const QSignalBlocker block(m_pQuantity);
        const auto found =
            std::find(std::begin(kPlotQuantities), std::end(kPlotQuantities), map.ShownQuantity());
        m_pQuantity->setCurrentIndex(static_cast<int>(found - std::begin(kPlotQuantities)));
    }
    m_pMap->setAccessibleDescription(FromUtf8(map.Description()));
    ShowReadout();
    m_pMap->update();
}

void MapPanel::ShowReadout() {
    m_pReadout->setText(
        m_Pointer ? FromUtf8(m_Kinetics.Map().ReadoutAt(Area(), m_Pointer->x(), m_Pointer->y()))
                  : tr(kMapHint));
}

MapLayout MapPanel::Layout() const {
    PainterCanvas measure(nullptr, m_pMap->font());
    return LayOutMap(m_Kinetics.Map(), m_pMap->width(), m_pMap->height(), 1.0, measure);
}

PlotArea MapPanel::Area() const {
    return Layout().area;
}

QString MapPanel::SuggestedPictureName() const {
    return FromPath(m_Kinetics.Map().PictureName());
}

std::optional<QString> MapPanel::SavePicture(const QString& path) const {
    return quillon::SavePicture(path, m_pMap->width(), m_pMap->height(), m_pMap->font(),
                                [this](PlotCanvas& canvas, double width, double height) {
                                    const MapLayout layout =
                                        LayOutMap(m_Kinetics.Map(), width, height, 1.0, canvas);
                                    DrawMap(m_Kinetics.Map(), layout, canvas, {}, m_Picked);
                                });
}

}  // namespace quillon
