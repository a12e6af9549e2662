#pragma once
// Kept for older includes; the fixture lives in tests/support.
#include "support/ScriptFixture.h"
