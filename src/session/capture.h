// Photographing the primary screen at the start of a session.
#pragma once

#include "platform/app.h"

// The picture of the primary screen: a rectangle at the desktop origin of the primary screen's size, in
// pixels. Never fails: a capture the system refuses comes back black.
tk::Picture CaptureDesktop(tk::App& app);
