// SPDX-License-Identifier: MIT
// The Qt window's wiring, offscreen: the template geometry, clicks on the real widgets, drops,
// keys that end the dialog, and the message boxes and questions answered through injected
// prompts so that nothing waits for a person.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "dialog/qt/main_dialog_window.h"
#include "dialog/qt/spectrum_panel.h"
#include "sdf_builder.h"

using quillon::Control;
using quillon::MainDialogWindow;
using quillon::OpenFileRequest;
using quillon::WindowPrompts;

class MainDialogWindowTest : public QObject {
    Q_OBJECT

  private:
    // Prompts that answer from scripts and record what they were asked.
    WindowPrompts ScriptedPrompts() {
        WindowPrompts prompts;
        prompts.message = [this](QWidget*, const QString& text) { m_Messages << text; };
        prompts.askYesNo = [this](QWidget*, const QString& text) {
            m_Questions << text;
            return m_bAnswer;
        };
        prompts.chooseFile = [this](QWidget*,
                                    const OpenFileRequest& request) -> std::optional<QString> {
            m_Requests.push_back(request);
            if (m_strChosen.isEmpty()) {
                return std::nullopt;
            }
            return m_strChosen;
        };
        prompts.about = [this](QWidget*) { ++m_nAboutBoxes; };
        return prompts;
    }

    QString WriteSdf(const QString& name, int scans) {
        const QString path = m_Dir.filePath(name);
        quillon::testing::SdfBuilder(4).AddScans(scans).WriteTo(
            QFile::encodeName(path).toStdString());
        return path;
    }

    template <typename Widget>
    Widget* Find(MainDialogWindow& window, Control control) {
        auto* widget = qobject_cast<Widget*>(window.ControlWidget(control));
        if (widget == nullptr) {
            qFatal("control %d is missing or of another kind", static_cast<int>(control));
        }
        return widget;
    }

    // Drags files over a widget of the window and drops them there, as a file manager does.
    static void DropFiles(QWidget* target, const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << QUrl::fromLocalFile(path);
        }
        mime.setUrls(urls);
        mime.setText(paths.join(QLatin1Char('\n')));
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
    }

    QTemporaryDir m_Dir;
    QStringList m_Messages;
    QStringList m_Questions;
    bool m_bAnswer = false;
    std::vector<OpenFileRequest> m_Requests;
    QString m_strChosen;
    int m_nAboutBoxes = 0;

  private slots:
    void init() {
        QVERIFY(m_Dir.isValid());
        m_Messages.clear();
        m_Questions.clear();
        m_bAnswer = false;
        m_Requests.clear();
        m_strChosen.clear();
        m_nAboutBoxes = 0;
    }

    void followThisFolderTicksTheDialogAndShowsTheNewestScanOfEachNewFile() {
        MainDialogWindow window(ScriptedPrompts());
        auto* follow = Find<QCheckBox>(window, Control::FollowFolder);
        auto* timer = window.findChild<QTimer*>(QStringLiteral("followTimer"));
        QVERIFY(timer != nullptr);
        QVERIFY(!follow->isEnabled());
        window.OpenFile(WriteSdf(QStringLiteral("first.sdf"), 1));
        QVERIFY(follow->isEnabled());

        follow->click();
        QVERIFY(timer->isActive());
        QVERIFY(Find<QCheckBox>(window, Control::ConvertEachNew)->isEnabled());
        const QString fresh = WriteSdf(QStringLiteral("fresh.sdf"), 3);
        QTRY_COMPARE_WITH_TIMEOUT(Find<QLineEdit>(window, Control::FilePath)->text(), fresh, 10000);
        QCOMPARE(window.Panel()->Plot().ScanNumber(), std::size_t{3});

        follow->click();
        QVERIFY(!timer->isActive());
        QVERIFY(m_Messages.isEmpty());
    }

    void theWindowFollowsTheTemplateInDialogUnitsOfTheEightPointFont() {
        MainDialogWindow window(ScriptedPrompts());
        QCOMPARE(window.windowTitle(), QStringLiteral("QUILLON"));
        QCOMPARE(window.font().pointSize(), 8);
        const quillon::DialogBaseUnits units = quillon::BaseUnitsOf(window.font());
        QVERIFY(units.x > 0 && units.y > 0);

        const quillon::PixelRect client = quillon::MapDialogRect({0, 0, 477, 367}, units);
        // The window is the template's height and at least its width: the spectrum panel
        // stands to the right of the controls.
        QCOMPARE(window.height(), client.height);
        QVERIFY(window.width() >= client.width);
        for (const quillon::ControlTemplate& item : quillon::kMainDialogControls) {
            if (item.id < 0) {
                continue;
            }
            const quillon::PixelRect rect = quillon::MapDialogRect(item.rect, units);
            QCOMPARE(window.ControlWidget(static_cast<Control>(item.id))->geometry(),
                     QRect(rect.x, rect.y, rect.width, rect.height));
        }
        QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(Find<QPushButton>(window, Control::Close)->isDefault());
    }

    void theTabOrderIsTheTemplateOrder() {
        MainDialogWindow window(ScriptedPrompts());
        const Control order[] = {
            Control::Close,           Control::FilePath,  Control::Browse,    Control::Convert,
            Control::WithWavelength,  Control::WithPixel, Control::Log,       Control::OneFile,
            Control::ConvertSelected, Control::Selection, Control::ConvertAll};
        QWidget* widget = window.ControlWidget(order[0]);
        for (std::size_t i = 1; i < std::size(order); ++i) {
            widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus) {
                widget = widget->nextInFocusChain();
            }
            QCOMPARE(widget, window.ControlWidget(order[i]));
        }
    }

    void theEditsWithoutLabelsHaveAccessibleNames() {
        MainDialogWindow window(ScriptedPrompts());
        for (Control control :
             {Control::FilePath, Control::Selection, Control::Log, Control::Browse}) {
            QVERIFY(!window.ControlWidget(control)->accessibleName().isEmpty());
        }
    }

    void clickingBrowseLoadsTheChosenFileAndShowsItsCount() {
        MainDialogWindow window(ScriptedPrompts());
        window.show();
        const QString path = WriteSdf(QStringLiteral("run1.sdf"), 3);
        m_strChosen = m_Dir.filePath(QStringLiteral("run1.dat"));

        QTest::mouseClick(window.ControlWidget(Control::Browse), Qt::LeftButton);

        QCOMPARE(m_Requests.size(), std::size_t{1});
        QCOMPARE(Find<QLineEdit>(window, Control::FilePath)->text(), path);
        QCOMPARE(Find<QLabel>(window, Control::ScanCount)->text(),
                 QStringLiteral("Total number of scan data: 3"));
        QVERIFY(window.ControlWidget(Control::Convert)->isEnabled());
        const QString log = Find<QPlainTextEdit>(window, Control::Log)->toPlainText();
        QVERIFY(log.startsWith(QStringLiteral("File") + path +
                               QStringLiteral(" is opened properly.\n")));
        QVERIFY(log.endsWith(QStringLiteral("SDF file loading was done.\n")));
        QVERIFY(!log.contains(QLatin1Char('\r')));
        QVERIFY(m_Messages.isEmpty());
    }

    void aFailedLoadIsShownInTheInjectedMessageBox() {
        MainDialogWindow window(ScriptedPrompts());
        m_strChosen = m_Dir.filePath(QStringLiteral("missing.dat"));
        QTest::mouseClick(window.ControlWidget(Control::Browse), Qt::LeftButton);

        QCOMPARE(m_Messages.size(), 1);
        QVERIFY(m_Messages[0].contains(m_Dir.filePath(QStringLiteral("missing.sdf"))));
        QCOMPARE(Find<QLineEdit>(window, Control::FilePath)->text(),
                 QStringLiteral("No file was selected."));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void droppingAFileOnTheWindowOrOnTheLogLoadsIt() {
        MainDialogWindow window(ScriptedPrompts());
        window.show();
        const QString first = WriteSdf(QStringLiteral("first.sdf"), 2);
        DropFiles(&window, {first});
        QTRY_COMPARE(Find<QLabel>(window, Control::ScanCount)->text(),
                     QStringLiteral("Total number of scan data: 2"));
        QCOMPARE(Find<QLineEdit>(window, Control::FilePath)->text(), first);

        // Dropped on the log, the file is loaded; its name is not pasted into the text.
        const QString second = WriteSdf(QStringLiteral("second.sdf"), 5);
        auto* log = Find<QPlainTextEdit>(window, Control::Log);
        DropFiles(log->viewport(), {second});
        QTRY_COMPARE(Find<QLabel>(window, Control::ScanCount)->text(),
                     QStringLiteral("Total number of scan data: 5"));
        QVERIFY(log->toPlainText().startsWith(QStringLiteral("File") + second));
        QVERIFY(m_Messages.isEmpty());
    }

    void droppingTwoFilesShowsTheMessageAndLoadsNothing() {
        MainDialogWindow window(ScriptedPrompts());
        const QString a = WriteSdf(QStringLiteral("a.sdf"), 1);
        const QString b = WriteSdf(QStringLiteral("b.sdf"), 1);
        DropFiles(&window, {a, b});
        QTRY_COMPARE(m_Messages, QStringList{QStringLiteral("Please choose only one file...")});
        QCOMPARE(Find<QLineEdit>(window, Control::FilePath)->text(),
                 QStringLiteral("No file was selected."));
    }

    void theOneFileBoxAndTheScopeButtonsReactToClicks() {
        MainDialogWindow window(ScriptedPrompts());
        window.show();
        auto* oneFile = Find<QCheckBox>(window, Control::OneFile);
        QTest::mouseClick(oneFile, Qt::LeftButton);
        QVERIFY(oneFile->isChecked());
        QCOMPARE(oneFile->text(), QStringLiteral("Convert data in one file"));

        auto* selected = Find<QRadioButton>(window, Control::ConvertSelected);
        QTest::mouseClick(selected, Qt::LeftButton);
        QVERIFY(selected->isChecked());
        QVERIFY(!Find<QRadioButton>(window, Control::ConvertAll)->isChecked());
        QVERIFY(!oneFile->isChecked());
        QCOMPARE(oneFile->text(), QStringLiteral("Convert data in multiple files"));
        auto* selection = Find<QLineEdit>(window, Control::Selection);
        QVERIFY(selection->isEnabled());

        QTest::keyClicks(selection, QStringLiteral("2-3"));
        QTest::mouseClick(Find<QRadioButton>(window, Control::ConvertAll), Qt::LeftButton);
        QCOMPARE(selection->text(), QStringLiteral("2-3"));
        QVERIFY(!selection->isEnabled());
        QCOMPARE(window.Dialog().m_strSelection, std::string("2-3"));
    }

    void convertWritesTheFilesAndAsksBeforeReplacingTheOneFile() {
        MainDialogWindow window(ScriptedPrompts());
        window.show();
        const QString path = WriteSdf(QStringLiteral("run1.sdf"), 2);
        m_strChosen = path;
        QTest::mouseClick(window.ControlWidget(Control::Browse), Qt::LeftButton);
        QTest::mouseClick(window.ControlWidget(Control::OneFile), Qt::LeftButton);
        QTest::mouseClick(window.ControlWidget(Control::WithPixel), Qt::LeftButton);

        QTest::mouseClick(window.ControlWidget(Control::Convert), Qt::LeftButton);
        QVERIFY(QFile::exists(m_Dir.filePath(QStringLiteral("run1.txt"))));
        QVERIFY(m_Questions.isEmpty());
        QVERIFY(Find<QPlainTextEdit>(window, Control::Log)
                    ->toPlainText()
                    .endsWith(QStringLiteral("[2] of [2] Scan Data were converted.\n")));

        m_bAnswer = false;  // keep the first output, write a numbered one
        QTest::mouseClick(window.ControlWidget(Control::Convert), Qt::LeftButton);
        QCOMPARE(m_Questions.size(), 1);
        QVERIFY(QFile::exists(m_Dir.filePath(QStringLiteral("run1(0).txt"))));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void closeEnterAndEscapeEndTheDialog() {
        struct Way {
            const char* name;
            std::function<void(MainDialogWindow&)> act;
        };
        const Way ways[] = {
            {"Close button",
             [](MainDialogWindow& w) {
                 QTest::mouseClick(w.ControlWidget(Control::Close), Qt::LeftButton);
             }},
            {"Esc", [](MainDialogWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
            {"Enter in the selection edit",
             [](MainDialogWindow& w) {
                 QTest::mouseClick(w.ControlWidget(Control::ConvertSelected), Qt::LeftButton);
                 QWidget* edit = w.ControlWidget(Control::Selection);
                 edit->setFocus();
                 QTest::keyClick(edit, Qt::Key_Return);
             }},
            {"Enter in the log",
             [](MainDialogWindow& w) {
                 QWidget* log = w.ControlWidget(Control::Log);
                 log->setFocus();
                 QTest::keyClick(log, Qt::Key_Return);
             }},
            {"close box", [](MainDialogWindow& w) { w.close(); }},
        };
        for (const Way& way : ways) {
            MainDialogWindow window(ScriptedPrompts());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            way.act(window);
            QVERIFY2(!window.isVisible(), way.name);
            QCOMPARE(window.result(), 1);
        }
    }

    void f1AndTheContextMenuOpenTheAboutBox() {
        MainDialogWindow window(ScriptedPrompts());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(&window, Qt::Key_F1);
        QCOMPARE(m_nAboutBoxes, 1);

        // Right click on the background: the menu offers the About command.
        QString offered;
        QTimer::singleShot(0, &window, [&offered] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                QAction* about = menu->actions().value(0);
                if (about != nullptr) {
                    offered = about->text();
                    about->trigger();
                }
                menu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                window.mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&window, &event);
        QCOMPARE(offered, QStringLiteral("&About QUILLON..."));
        QCOMPARE(m_nAboutBoxes, 2);
    }
};

QTEST_MAIN(MainDialogWindowTest)
#include "main_dialog_window_test.moc"
