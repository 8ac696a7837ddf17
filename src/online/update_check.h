// The update check of start-up: asks the maker's server for the latest release and offers its download page.
#pragma once

#include <string>

#include "platform/form.h"

// The temporary directory as the system reports it; empty when it cannot say.
std::string GetTempDir(tk::System& system);

// Runs to its end, question and browser launch included, before start-up goes on. A server that does not
// answer holds start-up for at most kUpdateDeadlineMs; whatever goes wrong, the check ends silently.
void CheckForUpdate(tk::Form& overlay);

constexpr uint32_t kUpdateDeadlineMs = 5000;

// The maker's server: "https://host" without a trailing slash. One build setting (LUMORA_SERVER); each
// executable links the definition it was built for.
extern const char* const kServerAddress;
