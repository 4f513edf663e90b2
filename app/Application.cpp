#include "app/Application.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "app/ApplicationTitle.h"
#include "app/AutomationHooks.h"
#include "app/GuardedApplication.h"
#include "app/HandlerGuard.h"
#include "app/HelpAndVersion.h"
#include "app/MessageBoxSeam.h"
#include "app/SingleInstance.h"
#include "app/StartupReport.h"
#include "app/TFrmMain.h"
#include "app/WindowLanguage.h"
#include "net/MessageHook.h"
#include "serial/ComErrorReport.h"
#include "serial/ui/ComSetupFrm.h"
#include "state/ProgramFolder.h"

namespace lumiq {
namespace {

void ShowAlreadyRunning() {
    MessageRequest request;
    request.text = "程序已经运行!";
    request.caption = "Tevaro";
    request.buttons = MessageButtons::Ok;
    ShowMessage(request, nullptr);
}

} // namespace

int RunLumiqConfig(int argc, char** argv, const WindowHook& extraHook) {
    // Answered before anything else: no window, no display needed.
    if (const std::optional<int> status = AnswerHelpOrVersion(argc, argv))
        return *status;

    // The serial failure texts and the setup dialog. Before the application object: choosing
    // the catalog language may set the environment, which is only safe while
    // no other thread runs.
    InitComPortUi(ProgramFolder());
    GuardedApplication app(argc, argv);
    SettingsFile settings = SettingsFile::ForThisProgram();
    const WindowLanguage language(ChosenLanguage(settings.ConfigDir()));

    InstanceLock lock; // held until the program ends
    switch (lock.Acquire()) {
    case InstanceLock::Result::Acquired:
        break;
    case InstanceLock::Result::AlreadyRunning:
        ShowAlreadyRunning();
        return 0;
    case InstanceLock::Result::Unavailable:
        std::fprintf(stderr, "lumiq-config: running without the single-instance check: %s\n",
                     lock.Problem().c_str());
        break;
    }

    // Boxes of the components go through the window's one seam too.
    SetSocketMessageHook([](const std::string& text) {
        ShowMessage(MessageRequest{text, "", MessageButtons::Ok}, nullptr);
    });
    SetComErrorReport([](const std::string& text) {
        ShowMessage(
            MessageRequest{text, ApplicationTitle().toStdString(), MessageButtons::Ok, MessageIcon::Stop},
            nullptr);
    });

    // The state record outlives the window.
    ToolState state;
    // 0 unless a script's hook (the demo tour) ended the loop with a failure.
    int status = 0;
    try {
        TFrmMain window(FrmMainServices{state, std::move(settings), {}, {}, language.language()});
        InstallStartupReport(window);
        window.show();
        if (extraHook && !extraHook(window))
            return 2;
        if (!InstallAutomationHooks(window))
            return 2;
        status = app.exec();
    } catch (...) {
        ReportException(std::current_exception(), nullptr);
    }
    return status;
}

} // namespace lumiq
