#ifndef ORV_CONFIGACCESS_H
#define ORV_CONFIGACCESS_H

#include "String.h"

// Checks of the configuration directory that changing a key relies on. Each answers with a
// code of OrvCfgResult (or a flag) and never throws.

// 1 when a file written into the configuration directory lands in the per-user virtual
// store instead, 0 otherwise. Leaves the probe file (s_PropertiesTmpPath) behind unless it
// finds a redirection or cannot tell where the virtual store is.
int isConfigDirVirtualized();

// The same test with the special-folder lookup supplied by the caller, so that the
// redirection rules can be exercised on machines without the shell's folders.
using SpecialFolderLookup = int (*)(int folder, char* path);
int isConfigDirVirtualized(SpecialFolderLookup lookup);

// ORVCFG_OK when the property file at `path` exists and can be opened for appending;
// ORVCFG_ACCESS_DENIED when access is denied or writes are redirected; ORVCFG_OPEN_FAILED
// otherwise. A missing file is not created.
int checkPropertiesFileAccess(const String& path);

// ORVCFG_OK when a file can be created in the directory `dir`, ORVCFG_DIR_NOT_WRITABLE
// otherwise. The probe file is removed again.
int checkDirWritable(const String& dir);

// The shell's special folder `folder` into `path` (room for 260 bytes); 0 on success,
// negative on failure, as the shell answers.
int getSpecialFolderPath(int folder, char* path);

#endif
