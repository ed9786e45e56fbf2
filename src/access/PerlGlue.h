// The Perl text of the glue package that every embedded interpreter runs when it is made.
#pragma once

// The package "ExtUtils::Embed::Glue" with its nineteen subroutines, then the line that makes the
// symbols of the sub-match variables $1 to $20 exist in package main.
extern const char* const perlGlueText;

// The names of the glue subroutines, in the order of the text; each must exist once it has run.
extern const char* const perlGlueSubroutines[19];
