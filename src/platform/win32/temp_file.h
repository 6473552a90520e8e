#pragma once
// Temporary files beside the file they will replace, created with CREATE_NEW under a fresh
// name, so a name planted there in advance is never written through.
#include <windows.h>

#include <string>

// finalPath + ".tmp." + the process id + "." + a unique part, open for writing, or
// INVALID_HANDLE_VALUE. Stale files of that form whose process has ended, and the bare
// finalPath + ".tmp" of earlier versions, are deleted first (a link goes, its target stays).
HANDLE createTempHandle(const char* finalPath, std::string& tempPath);
