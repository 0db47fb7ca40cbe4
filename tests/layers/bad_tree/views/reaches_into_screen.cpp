// A window that includes the main screen: the layer check must refuse it.
#include "screen/Cli_zfa13000.h"
