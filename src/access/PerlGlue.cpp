// The Perl text of the glue package and the names of its subroutines.
#include "access/PerlGlue.h"

// Patterns and code reach these subroutines as Perl values, never pasted into Perl source: a
// pattern interpolated at run time cannot hold code blocks ("use re 'eval'" is never in force).
// t_compile_find takes a pattern's body and its flags (g, i, m, s, x) apart, so that the
// matching closure applies the g flag to the match itself and the others inside the qr object.
const char* const perlGlueText = R"glue(package ExtUtils::Embed::Glue;
sub t_eval {package main;eval $_[0];}
sub t_replace {$_[0] =~ s/$_[1]/$_[2]/g;}
sub t_restart_search {pos($_[0]) = $_[1];}
sub t_pos {pos $_[0];}
sub t_find {$_[0] =~ /$_[1]/;}
sub t_find_next {$_[0] =~ /$_[1]/gc;}
sub t_bind_up_matches {
  my $groups = $_[0];
  @$groups = ();
  for (my $i = 1; $i <= $#+; ++$i) { push @$groups, defined ${$i} ? ${$i} : ''; }
}
sub t_find_inquire {
  my $found = $_[0] =~ /$_[1]/;
  t_bind_up_matches($_[2]) if ($found && defined $_[2]);
  $found;
}
sub t_find_inquire_next {
  my $found = $_[0] =~ /$_[1]/g;
  t_bind_up_matches($_[2]) if ($found && defined $_[2]);
  $found;
}
sub t_find_all {@{$_[2]} = ($_[0] =~ /$_[1]/g);}
sub t_find_all_count {@{$_[2]} = ($_[0] =~ /$_[1]/g); scalar @{$_[2]};}
sub t_compile_find {
  package main;
  my ($body, $flags) = @_;
  $flags = '' unless defined $flags;
  my $global = ($flags =~ tr/g//d);
  my $re = eval { length $flags ? qr/(?$flags)$body/ : qr/$body/ };
  return undef unless defined $re;
  return sub {if ($_[0] =~ /$re/g) {ExtUtils::Embed::Glue::t_bind_up_matches($_[1]) if (defined $_[1]);1;}} if $global;
  return sub {if ($_[0] =~ $re) {ExtUtils::Embed::Glue::t_bind_up_matches($_[1]) if (defined $_[1]);1;}};
}
sub t_index {defined $_[2] ? index($_[0], $_[1], $_[2]) : index($_[0], $_[1]);}
sub t_rindex {defined $_[2] ? rindex($_[0], $_[1], $_[2]) : rindex($_[0], $_[1]);}
sub t_use {
  my $module = shift;
  (my $file = "$module.pm") =~ s{::}{/}g;
  eval { require $file; $module->import(@_); 1 } or print STDERR "error in use $module: $@\n";
}
sub t_substr {defined $_[2] ? substr($_[0], $_[1], $_[2]) : substr($_[0], $_[1]);}
sub t_rep_substr {substr($_[0], $_[1], $_[2]) = $_[3];}
sub t_split {@{$_[0]} = split(/$_[1]/, $_[2]);}
sub t_remove_elements {splice(@{$_[0]}, $_[1], $_[2]);}
sub t_sort_array {@{$_[0]} = sort @{$_[1]};}
package main;
my @t_match_variables = ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20);
)glue";

const char* const perlGlueSubroutines[19] = {"t_eval",           "t_replace",
                                             "t_restart_search", "t_pos",
                                             "t_find",           "t_find_next",
                                             "t_find_inquire",   "t_find_inquire_next",
                                             "t_find_all",       "t_find_all_count",
                                             "t_compile_find",   "t_index",
                                             "t_rindex",         "t_use",
                                             "t_substr",         "t_rep_substr",
                                             "t_split",          "t_remove_elements",
                                             "t_sort_array"};
