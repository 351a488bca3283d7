#include "app/startup.h"

int main(int argc, char** argv) { return pixmold::run_program(argc, argv); }
