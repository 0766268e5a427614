// The program entry: creates the windows, runs the event loop, releases at exit.
#pragma once

#include "platform/dialogs.h"

class QApplication;

// Returns the exit status: 0 after a normal end, 1 when GroupWise could not be reached.
int runMarrowby(QApplication& app, platform::Dialogs& dialogs);
