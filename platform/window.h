// The game window: see platform/contract.h, the one seam between the game and its front ends.
#pragma once
#include "platform/contract.h"
