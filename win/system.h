// The Windows API for code that also includes the game's headers: windows.h's RGB macro
// would take the place of the game's own RGB().
#pragma once
#include <windows.h>
#undef RGB
