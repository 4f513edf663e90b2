#pragma once
// Hooks for scripts that run the program without an operator:
//   LUMIQ_QUIT_AFTER_MS=<n>   end the program n ms after the window is shown
//   LUMIQ_SCREENSHOT=<path>   just before that, save the window as an image
//                             (PNG by the file name); n defaults to 1500
// Message boxes are answered by LUMIQ_AUTOANSWER_MESSAGES (MessageBoxSeam.h).

class QWidget;

namespace lumiq {

// Reads the environment and arms the hooks for window. Returns false (after
// a message on stderr) when a variable holds something unusable.
bool InstallAutomationHooks(QWidget& window);

}  // namespace lumiq
