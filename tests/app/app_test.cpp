// SPDX-License-Identifier: MIT
// Start-up and the About box, offscreen: the application icon, the About box's texts and
// layout, and a start-up that runs the main dialog once and ends with it.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "about_dlg.h"
#include "app_icon.h"
#include "dialog/qt/main_dialog_window.h"
#include "quillon_app.h"

class AppTest : public QObject {
    Q_OBJECT

  private slots:
    void theIconHoldsEverySizeTheDesktopAsksFor() {
        const QIcon icon = quillon::ApplicationIcon();
        QVERIFY(!icon.isNull());
        QList<QSize> sizes = icon.availableSizes();
        for (int size : {16, 24, 32, 48, 256}) {
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
            // The image of that size is not blank.
            const QImage image = icon.pixmap(size, size).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY(image.pixelColor(size / 2, size / 2).alpha() > 0);
        }
    }

    void theAboutBoxShowsTheNameVersionAndAnOkButton() {
        quillon::CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About QUILLON"));
        auto* text = about.findChild<QLabel*>(QStringLiteral("aboutText"));
        QVERIFY(text != nullptr);
        QCOMPARE(text->text(), QStringLiteral("QUILLON, Version 1.0"));
        QCOMPARE(text->textFormat(), Qt::PlainText);
        auto* ok = about.findChild<QPushButton*>(QStringLiteral("aboutOk"));
        QVERIFY(ok != nullptr);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());

        const quillon::DialogBaseUnits units = quillon::BaseUnitsOf(about.font());
        const quillon::PixelRect client = quillon::MapDialogRect({0, 0, 170, 62}, units);
        QCOMPARE(about.size(), QSize(client.width, client.height));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        const quillon::PixelRect okRect = quillon::MapDialogRect({113, 41, 50, 14}, units);
        QCOMPARE(ok->geometry(), QRect(okRect.x, okRect.y, okRect.width, okRect.height));
    }

    void okEnterAndEscapeEndTheAboutBox() {
        struct Way {
            const char* name;
            std::function<void(quillon::CAboutDlg&)> act;
        };
        const Way ways[] = {
            {"OK",
             [](quillon::CAboutDlg& a) {
                 QTest::mouseClick(a.findChild<QPushButton*>(QStringLiteral("aboutOk")),
                                   Qt::LeftButton);
             }},
            {"Enter", [](quillon::CAboutDlg& a) { QTest::keyClick(&a, Qt::Key_Return); }},
            {"Esc", [](quillon::CAboutDlg& a) { QTest::keyClick(&a, Qt::Key_Escape); }},
            {"close box", [](quillon::CAboutDlg& a) { a.close(); }},
        };
        for (const Way& way : ways) {
            quillon::CAboutDlg about;
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            way.act(about);
            QVERIFY2(!about.isVisible(), way.name);
        }
    }

    void startUpRunsTheMainDialogOnceAndEndsWithIt() {
        int dialogs = 0;
        QString title;
        // Once the main dialog runs modally, close it the way a user would.
        std::function<void()> closeDialog = [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) {
                QTimer::singleShot(10, closeDialog);
                return;
            }
            ++dialogs;
            title = modal->windowTitle();
            modal->close();
        };
        QTimer::singleShot(0, closeDialog);

        quillon::CQUILLONApp app;
        QCOMPARE(app.InitInstance(), false);

        QCOMPARE(dialogs, 1);
        QCOMPARE(title, QStringLiteral("QUILLON"));
        QVERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
