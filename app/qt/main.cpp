// main.cpp - the program's entry: everything is the application object's (TamberonApp.h).
#include "TamberonApp.h"

int main(int argc, char** argv) { return theApp.Run(argc, argv); }
