// The subcommands of voltaris-cli beside "--script FILE". Each takes the arguments after
// its name and returns the exit code: 0 done, 1 the run failed (its message on stderr),
// 2 a usage error (with the usage text).
#pragma once

namespace voltaris::cli {

int RunCommand(int argc, char** argv);
int SweepCommand(int argc, char** argv);

}  // namespace voltaris::cli
