// The table of the shell's export handlers, which the program hands to the access layers it
// makes.
#pragma once

#include "access/ExportHandlerFactory.h"

// FLExportHandler for export formats 1 and 3, FLtoXMLExportHandler for format 2.
ExportHandlerFactory shellExportHandlers();
