#pragma once
// The window driven by a script (the flood benchmark) over a socket: with
//   LUMIQ_CONTROL_FD=<n>      n is an inherited, connected stream socket;
//                             the script writes one command a line and reads
//                             one answer line each, in order. Boxes are real
//                             and stay open until the script answers them
//                             (leave LUMIQ_AUTOANSWER_MESSAGES unset), so
//                             that what goes on behind an open box can be
//                             watched. The program ends when the script
//                             closes its end.
// Only the test build's lumiq-config-scripted has it; the installed program
// ignores the variable.
//
// The commands and their answers:
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

// Reads LUMIQ_CONTROL_FD and, when set, lets the script drive window.
// Returns false (after a message on stderr) when it names no open socket.
bool InstallScriptControl(TFrmMain& window);

} // namespace lumiq
