#pragma once
// Where the shell keeps the colour depth of its icons; read by the page and
// written on Apply. The shell takes it up only when Windows starts again.
extern const char g_szWindowMetricsKey[];   // under HKEY_USERS
extern const char g_szShellIconBppValue[];
