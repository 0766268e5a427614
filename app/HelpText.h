// The texts of the two help windows.
#pragma once

extern const char* const kExportHelp;
extern const char* const kImportHelp;
