// kelvantori-machine and its device live with the other process helpers.
#pragma once

#include "support/ChildProcess.h"
