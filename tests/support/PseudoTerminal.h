// Pseudo-terminal pairs live with the other process helpers.
#pragma once

#include "support/ChildProcess.h"
