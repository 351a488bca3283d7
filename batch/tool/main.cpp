#include "batch/cli.h"

int main(int argc, char** argv) { return pixmold::run_cli(argc, argv); }
