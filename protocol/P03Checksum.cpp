#include "P03Checksum.h"
