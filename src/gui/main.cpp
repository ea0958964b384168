// The desktop program.
#include "gui/app/program.h"

int main(int argc, char** argv) { return rpt::gui::RunProgram(argc, argv); }
