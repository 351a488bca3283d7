#include "app/startup.h"

int main() { return pixmold::run_program(); }
