// The engine's version, stamped into Pendrix.exe as its version resource; PendrixPack --list
// shows it for a built package.
#pragma once
#define PENDRIX_VERSION_MAJOR 1
#define PENDRIX_VERSION_MINOR 0
#define PENDRIX_VERSION_PATCH 0
#define PENDRIX_VERSION_TEXT "1.0.0"
