// ReportError as VTRXIFS carries it.
#include "common/report_error_vtrxifs.h"

#include "common/error_report.h"

void ReportError(LPCSTR caption, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    ReportErrorText(caption, " (0x%08X)", format, args);
    va_end(args);
}
