#include "Brenvik_Unit.h"
