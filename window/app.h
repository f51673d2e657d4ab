// The window's start-up: builds the application object and the main window, runs the event
// loop, and returns the process exit status.
#pragma once

namespace tovren {

int RunWindow(int argc, char** argv);

}  // namespace tovren
