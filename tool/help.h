// What the tool says of itself: --help and --version.
#ifndef HELP_H
#define HELP_H

void print_help();
void print_version();

#endif
