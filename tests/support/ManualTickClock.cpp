#include "tests/support/ManualTickClock.h"
