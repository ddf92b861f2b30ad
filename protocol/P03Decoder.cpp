#include "P03Decoder.h"
