#include "VirtualPort.h"
