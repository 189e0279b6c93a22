// The "SZ_ERROR" text comes from the registry and is shown as it stands: it is handed to
// ReportError as an argument, never as the format, so that a "%" in a translated text
// cannot make the formatting read arguments that were never passed. A missing tag has been
// reported by LookupString already; the report then shows ReportError's absent text.
#include "softuninst/step_error.h"

#include "common/report_error_softuninst.h"

void ReportStepError(const UninstallInfo& info) {
    LPCSTR text = LookupString(info, "SZ_ERROR");
    if (text != NULL)
        ReportError("%s", text);
    else
        ReportError(NULL);
}
