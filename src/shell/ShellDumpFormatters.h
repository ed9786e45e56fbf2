// The table of the shell's dump formatters, which the program hands to the object bases it makes.
#pragma once

#include "objectbase/DumpFormatterFactory.h"

// FLDumpFormatter for dump format 1 and XMLDumpFormatter for format 2.
DumpFormatterFactory shellDumpFormatters();
