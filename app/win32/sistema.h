#pragma once
// The system's headers for the Windows window, after the serial line record:
// <windows.h> defines the DTR_CONTROL_* and RTS_CONTROL_* names as macros of the
// same values, which would break the record's enumerators if it came first.
// Every file of the window includes the system through this header.
#include "link/dcb_linea.h"
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <windowsx.h>
// clang-format on
