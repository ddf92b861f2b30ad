#include "Tool.h"
