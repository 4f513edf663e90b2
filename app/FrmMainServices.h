#pragma once
// What the main window is given rather than fetching it from globals, so that
// tests can point CFG.ini at a temporary folder and replace the browser. The
// link set-up adds the socket and the serial port here when they exist.

#include <QString>
#include <QUrl>
#include <functional>

#include "state/LanguageChoice.h"
#include "state/SettingsFile.h"
#include "state/ToolState.h"

namespace lumiq {

enum class BatchFile : unsigned char; // app/BatchDialog.h

struct FrmMainServices {
    // Created before the window and destroyed after it.
    ToolState& state;
    SettingsFile settings;
    // Opens a web address in the default browser; false when it cannot.
    // Empty: QDesktopServices::openUrl.
    std::function<bool(const QUrl&)> openUrl;
    // Asks for the file a trace goes to; empty when the operator cancels.
    // Empty: a save-file dialog.
    std::function<QString(QWidget* parent)> chooseTraceFile{};
    // The language the window was built in; its menu offers the other.
    UiLanguage language = UiLanguage::Chinese;
    // Asks for the files of 批量配置 (app/BatchDialog.h); empty when the
    // operator cancels. Empty: file dialogs.
    std::function<QString(QWidget* parent, BatchFile which)> chooseBatchFile{};
};

} // namespace lumiq
