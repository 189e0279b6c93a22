// The report that a failing removal step or the progress dialog shows: the text of the tag
// "SZ_ERROR", followed by the system's text for the thread's last-error code, if any.
#pragma once

#include "softuninst/uninstall_info.h"

void ReportStepError(const UninstallInfo& info);
