#pragma once

// The model world moved to tests/support; the controller test still names it here.
#include "support/ModelWorld.h"
