// The call that gives the plain access layer its export handlers.
#pragma once

// Registers FLExportHandler for export formats 1 and 3 and FLtoXMLExportHandler for format 2
// with the access layer's export-handler factory; made at program start-up beside
// registerDumpFormatters, and by every test that exports.
void registerExportHandlers();
