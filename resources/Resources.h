#pragma once
// The program's pictures (tool images, icon, splash bitmap, cursors) are compiled into
// the program. Registering them by hand keeps them reachable when the object files
// end up inside a static archive, where no static initialiser is guaranteed to run.

// Makes ":/tools", ":/icons", ":/splash" and ":/cursors" available. Call it once,
// after the application object exists and before the first picture is loaded;
// calling it again does no harm.
void InitMuralixResources();
