// Resource ids of softuninst.rc.
#pragma once

#define IDD_PROGRESS 101
#define IDC_PROGRESS 201
#define IDC_DESCRIPTION 301
