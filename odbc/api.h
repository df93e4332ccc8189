#pragma once
// The ODBC interface: Windows' odbc32 in the product, unixODBC natively. Every call the
// engine makes is a wide (W) one, with text as UTF-16 whatever the system's code page.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
