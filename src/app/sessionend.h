// SPDX-License-Identifier: MIT
#ifndef SESSIONEND_H
#define SESSIONEND_H

class QApplication;

// Ends the program as closing its window does (the run stops: ffmpeg ended, its temporary file
// and lock removed, the sources untouched) when the system asks it to end: a termination or
// hang-up signal (a desktop session ending on Linux, a closed terminal) or Ctrl-C. The end of a
// Windows session reaches the window itself (Widget).
void quitOnSessionEnd(QApplication &application);

#endif // SESSIONEND_H
