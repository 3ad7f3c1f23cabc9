#pragma once
// The process of hxtrack: the foundation services come up in a fixed order, one tracker runs
// while the machine-wide lock is held, and everything goes down again in reverse order. Every
// path ends with the closing log lines; the exit status is the run's result code.

namespace trk {

int ProgramMain(int argc, char** argv);

}  // namespace trk
