// The maker's server as this executable was built to reach it.
#include "online/update_check.h"

const char* const kServerAddress = LUMORA_SERVER_ADDRESS;
