#pragma once

#include "ModuleResources.h"

// The running program's own resource table, generated at build time from the files the program
// carries (cmake/EmbedResources.cmake). Defined only in programs that link such a table.
const CVFirmwareLoader::IModuleResources& ProgramResources();
