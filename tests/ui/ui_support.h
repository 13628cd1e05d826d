// Shared by the desktop-layer tests: the framework's test start with the main window shown.
#pragma once
#include "support/test_framework.h"

// Starts the framework with its 1000 x 760 main window shown, once; false when Qt cannot start.
bool StartUiTests();
