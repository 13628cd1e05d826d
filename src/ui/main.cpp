// quillon: the desktop program. Everything happens in program_entry.
#include "ui/application.h"

int main(int argc, char** argv) { return program_entry(argc, argv, 1); }
