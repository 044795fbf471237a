// Starting the windowing platform. When it cannot start (no display named,
// or one that cannot be opened, as over a remote shell without one) Qt ends
// the program with a fatal message and an abort: a core dump and a crash
// report for what is only a missing display. While a DisplayStart lives,
// that failure ends the program with one line on standard error and exit
// status 1 instead. Qt's other messages meanwhile are held back, and passed
// on once the platform has started.
#pragma once

class DisplayStart {
public:
    DisplayStart(int argc, char** argv);
    // The platform has started: held messages go on, as usual from now on.
    ~DisplayStart();
    DisplayStart(const DisplayStart&) = delete;
    DisplayStart& operator=(const DisplayStart&) = delete;
};
