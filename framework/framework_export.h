#pragma once
// Symbols of the framework library seen by the host and the module. Exception types and
// classes used with dynamic_cast across the library boundary must carry it too.
#define FRAMEWORK_EXPORT __attribute__((visibility("default")))
