// The desktop program.
#include "gui/foundation/program.h"

int main(int argc, char** argv) { return rpt::gui::RunProgram(argc, argv); }
