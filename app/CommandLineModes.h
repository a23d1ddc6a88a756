#pragma once
// The modes that run without a window, for scripts and machines without a display:
//   muralix POSTER --info
//   muralix POSTER --print-to OUT.pdf [--pages FIRST-LAST]
//   muralix POSTER --preview-to OUT.png [--size N]
// with the printer options --paper A4|A3|A5|Letter|Legal|WxHmm, --landscape or
// --portrait, --dpi N and --margins L,T,R,B (millimetres).

// Call first thing in main. Returns -1 when the arguments ask for none of the modes
// (the program then starts as usual); otherwise runs the mode on Qt's offscreen
// platform, without splash or message box, and returns the exit code: 0 done, 1 a
// failure (its text on standard error), 2 arguments not understood. --help and
// --version write their text (CommandLine.h) and return 0.
namespace app {

int RunCommandLineMode(int argc, char **argv);

}  // namespace app
