// The call that gives the object base its dump formatters.
#pragma once

// Registers FLDumpFormatter for dump format 1 and XMLDumpFormatter for format 2 with the object
// base's formatter factory; made at program start-up and by every test that dumps.
void registerDumpFormatters();
