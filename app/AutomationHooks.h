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
//   LUMIQ_CONTROL_FD=<n>      drive the window from a script (benchmarks):
//                             n is an inherited, connected stream socket;
//                             the script writes one command a line and reads
//                             one answer line each, in order. Boxes are real
//                             and stay open until the script answers them
//                             (leave LUMIQ_AUTOANSWER_MESSAGES unset), so
//                             that what goes on behind an open box can be
//                             watched. The program ends when the script
//                             closes its end.
// Message boxes are otherwise answered by LUMIQ_AUTOANSWER_MESSAGES
// (MessageBoxSeam.h).
//
// The commands on LUMIQ_CONTROL_FD and their answers:
//   ping            pong: the window's event loop was free to answer
//   search, read    press 搜索模块 or 读参数
//   select <row>    move the list's selection (which reads that module)
//                   These three answer "ok" at once and press from the event
//                   loop afterwards: a press may open a box, and the box's
//                   loop must go on serving this socket.
//   state           state list=<lines listed> reading=<0|1: a transaction
//                   waits> box=<0|1> acts=<presses done so far>
//   find <text>     row <index of the first list line holding text, or -1>
//   count <text>    count <log lines holding text><TAB><the last of them>
//   answer          answered <its text>, after pressing OK of the open box;
//                   none when no box is open
//   quit            ok, and the program ends
// Anything else answers "error ...". Line breaks in texts become blanks.

namespace lumiq {

class TFrmMain;

// Reads the environment and arms the hooks for window. Returns false (after
// a message on stderr) when a variable holds something unusable.
bool InstallAutomationHooks(TFrmMain& window);

} // namespace lumiq
