// hxtrack: one inventory run of this computer. See app/entry/TrkProgram.h.

#include "app/entry/TrkProgram.h"

int main(int argc, char** argv) { return trk::ProgramMain(argc, argv); }
