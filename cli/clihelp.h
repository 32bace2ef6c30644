#pragma once

// What korvo-cli says about itself: the general usage, one command's help, and its manual page, all from
// the same texts (the link options here, each command's CliHelp where it is registered).

#include "clicommand.h"

#include <cstdio>

namespace korvo::cli {

void printUsage(FILE *to);
void printCommandHelp(FILE *to, const CliCommand &command);
// The manual page korvo-cli(1), in roff; the build installs it.
void printManual(FILE *to);

} // namespace korvo::cli
