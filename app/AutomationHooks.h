#pragma once
// Hooks for scripts that run the program without an operator:
//   LUMIQ_QUIT_AFTER_MS=<n>   end the program n ms after the window is shown
//   LUMIQ_SCREENSHOT=<path>   just before that, save the window as an image
//                             (PNG by the file name); n defaults to 1500
//   LUMIQ_DEMO_TOUR=<n>       run the scripted tour (DemoTour.h); its search
//                             must list at least n modules. Prints each step
//                             and then the information log to stdout, saves
//                             LUMIQ_SCREENSHOT of the final window, and ends
//                             the program: status 0 when every step
//                             completed, 1 otherwise. Message boxes are
//                             answered OK and printed to stderr; during the
//                             tour one fails the running step. Not together
//                             with LUMIQ_QUIT_AFTER_MS.
// Message boxes are otherwise answered by LUMIQ_AUTOANSWER_MESSAGES
// (MessageBoxSeam.h). These belong to the program users get: README.md
// lists them, and the demo (scripts/demo.sh) and the package's trial
// (packaging/try-deb.sh) run the tour with them.

namespace lumiq {

class TFrmMain;

// Reads the environment and arms the hooks for window. Returns false (after
// a message on stderr) when a variable holds something unusable.
bool InstallAutomationHooks(TFrmMain& window);

} // namespace lumiq
