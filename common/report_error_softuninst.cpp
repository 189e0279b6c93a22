// ReportError as softuninst carries it.
#include "common/report_error_softuninst.h"

#include "common/error_report.h"

void ReportError(LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    ReportErrorText("Uninstall Error", "(0x%08X)", format, args);
    va_end(args);
}
