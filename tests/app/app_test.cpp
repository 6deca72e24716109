// SPDX-License-Identifier: MIT
// Start-up and the About box, offscreen: the application icon, the About box's texts and
// layout, and a start-up that runs the main dialog once and ends with it.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "about_dlg.h"
#include "app_icon.h"
#include "dialog/qt/main_dialog_window.h"
#include "dialog/qt/spectrum_panel.h"
#include "quillon_app.h"
#include "sdf_builder.h"

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

    void startUpWithAFileShowsTheWindowWithThatFileLoaded() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("run1.sdf"));
        quillon::testing::SdfBuilder(8).AddScans(3).WriteTo(QFile::encodeName(path).toStdString());

        QString label;
        QString shown;
        QString log;
        int maximum = 0;
        bool visible = false;
        QElapsedTimer waited;
        waited.start();
        // Once the window shows the file (or after 20 s), note what it shows and close it.
        std::function<void()> inspect = [&] {
            auto* window =
                qobject_cast<quillon::MainDialogWindow*>(QApplication::activeModalWidget());
            if (window == nullptr ||
                (window->Dialog().LoadedPath().empty() && waited.elapsed() < 20000)) {
                QTimer::singleShot(10, inspect);
                return;
            }
            visible = window->isVisible();
            label = window->ControlWidget(quillon::Control::ScanCount)->property("text").toString();
            shown =
                qobject_cast<QLineEdit*>(window->ControlWidget(quillon::Control::FilePath))->text();
            log = window->ControlWidget(quillon::Control::Log)->property("plainText").toString();
            maximum =
                window->Panel()->findChild<QSpinBox*>(QStringLiteral("scanChooser"))->maximum();
            window->close();
        };
        QTimer::singleShot(0, inspect);

        quillon::CQUILLONApp app(path);
        QCOMPARE(app.InitInstance(), false);

        QVERIFY(visible);
        QCOMPARE(shown, path);
        QCOMPARE(label, QStringLiteral("Total number of scan data: 3"));
        QVERIFY(
            log.startsWith(QStringLiteral("File") + path + QStringLiteral(" is opened properly.")));
        QVERIFY(log.contains(QStringLiteral("SDF file loading was done.")));
        QCOMPARE(maximum, 3);
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    void theWindowProgramTakesAtMostOneFileAndTellsItsVersion() {
        QProcess program;
        program.start(QStringLiteral(QUILLON_WINDOW_PROGRAM),
                      {QStringLiteral("a.sdf"), QStringLiteral("b.sdf")});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 2);
        QVERIFY(program.readAllStandardError().contains("only one file"));

        program.start(QStringLiteral(QUILLON_WINDOW_PROGRAM), {QStringLiteral("--version")});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput().trimmed(), QByteArray("quillon " QUILLON_VERSION));
    }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
