// Declared by the area that implements it.
#pragma once

#include <hostwin/win_types.h>
