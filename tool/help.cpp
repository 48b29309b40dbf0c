#include "help.h"

#include "output.h"

void print_help()
{
    output("%s", "Usage: feregtool span chan -fe_reg_read reg\n"
                 "       feregtool span chan -fe_reg_write reg value\n"
                 "       feregtool span chan -fe_reg_dump first [last]\n"
                 "       feregtool span chan -fe_reg_modify reg value mask\n"
                 "       feregtool --help | -h | /?\n"
                 "       feregtool --version\n"
                 "\n"
                 "Reads or writes the byte-wide front-end registers of channel chan of\n"
                 "span span of the card, through its access library libvelkaro.\n"
                 "\n"
                 "  -fe_reg_read    print the byte of register reg\n"
                 "  -fe_reg_write   write the low byte of value to register reg\n"
                 "  -fe_reg_dump    print registers first to last as a table, 16 to a\n"
                 "                  row, XX for a read that failed; without last, 256\n"
                 "                  registers from first; at most 65536\n"
                 "  -fe_reg_modify  read register reg, then write it back with the bits\n"
                 "                  that mask sets taken from value: only those change\n"
                 "\n"
                 "span and chan are decimal; reg, first, last, value and mask are\n"
                 "hexadecimal, with or without 0x (1f, 0x1F). Only the low 8 bits of\n"
                 "value and mask count.\n"
                 "\n"
                 "Exit status: 0 done; 1 the card refused the open or an access, or\n"
                 "standard output could not be written; 2 the command line was not\n"
                 "understood.\n"
                 "\n"
                 "The simulated card keeps its state in VELKARO_SIM_DIR, or else in\n"
                 "velkaro-sim-UID in the temporary folder (velkaro-sim on Windows), which\n"
                 "it refuses when it is a link or another user could have made or\n"
                 "changed it.\n"
                 "\n"
                 "See feregtool(1) for the whole manual.\n");
}

void print_version()
{
    output("feregtool %s\n", FEREGTOOL_VERSION);
}
