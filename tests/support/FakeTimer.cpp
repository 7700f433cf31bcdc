#include "tests/support/FakeTimer.h"
