// The subset of the Win32 API that the product calls, for the host build.
// Written from the documented behaviour; each area has its own header.
#pragma once

#include <hostwin/win_types.h>
#include <hostwin/win_error.h>
#include <hostwin/win_registry.h>
#include <hostwin/win_string.h>
#include <hostwin/win_process.h>
#include <hostwin/win_file.h>
#include <hostwin/win_device.h>
#include <hostwin/win_version.h>
#include <hostwin/win_module.h>
#include <hostwin/win_user.h>
