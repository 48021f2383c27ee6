// main.cpp - the Win32 program's entry: everything is the application object's (TamberonApp.h).
// A windowed program (no console); MinGW-w64's start-up hands it the arguments as main's.
#include "TamberonApp.h"

int main(int argc, char** argv) { return theApp.Run(argc, argv); }
