#pragma once
// Symbols of the platform library seen by the host, the module and the server.
#define PLATFORM_EXPORT __attribute__((visibility("default")))
