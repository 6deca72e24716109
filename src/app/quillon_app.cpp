// SPDX-License-Identifier: MIT
// CQUILLONApp: the program's start-up.
#include "quillon_app.h"

#include <QApplication>
#include <QTimer>

#include "about_dlg.h"
#include "app_icon.h"
#include "dialog/qt/main_dialog_window.h"

namespace quillon {

bool CQUILLONApp::InitInstance() {
    // The icon goes to every window of the program: the dialog, the About box, the message
    // boxes. The desktop entry of the same name lets the desktop match window and icon.
    QApplication::setWindowIcon(ApplicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

    WindowPrompts prompts = WindowPrompts::Standard();
    prompts.about = [](QWidget* parent) {
        CAboutDlg about(parent);
        about.exec();
    };
    MainDialogWindow dialog(std::move(prompts));
    if (!m_strStartFile.isEmpty()) {
        // Loaded once the window shows, so that the log fills before the user's eyes and a
        // failure's message box stands over the window.
        QTimer::singleShot(0, &dialog, [&dialog, this] { dialog.OpenFile(m_strStartFile); });
    }
    // However the dialog ends, the program ends with it.
    dialog.exec();
    return false;
}

}  // namespace quillon
