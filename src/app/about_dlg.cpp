// SPDX-License-Identifier: MIT
// CAboutDlg: laid out in dialog units of the 8-point dialog font, like the main dialog.
#include "about_dlg.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "dialog/dialog_template.h"
#include "dialog/qt/main_dialog_window.h"

namespace quillon {

namespace {

// The application icon at the standard icon size, centred in its place on the dialog.
class IconView : public QWidget {
  public:
    explicit IconView(QWidget* parent) : QWidget(parent) {
        setAccessibleName(QStringLiteral("QUILLON"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        constexpr int kIconSize = 32;
        const PixelPoint origin = IconOrigin(width(), height(), kIconSize, kIconSize);
        QPainter painter(this);
        QApplication::windowIcon().paint(&painter, origin.x, origin.y, kIconSize, kIconSize);
    }
};

void Place(QWidget* widget, const DialogRect& rect, DialogBaseUnits units) {
    const PixelRect pixels = MapDialogRect(rect, units);
    widget->setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    // Title bar with the close box, fixed size.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kAboutBoxCaption));
    setFont(DialogFont());
    const DialogBaseUnits units = BaseUnitsOf(font());
    const PixelRect client = MapDialogRect({0, 0, kAboutBoxWidth, kAboutBoxHeight}, units);
    setFixedSize(client.width, client.height);

    auto* icon = new IconView(this);
    Place(icon, kAboutBoxIconRect, units);

    auto* text = new QLabel(QString::fromLatin1(kAboutText), this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::PlainText);
    Place(text, kAboutBoxTextRect, units);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setDefault(true);
    Place(ok, kAboutBoxOkRect, units);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus(Qt::OtherFocusReason);
}

}  // namespace quillon
