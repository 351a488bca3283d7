#include "app/shell_state.h"

namespace pixmold {

ShellState shell;

}  // namespace pixmold
