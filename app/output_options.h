// The Préférences menu's batch options: the subfolders of a dropped folder,
// an output folder (or back to beside the sources), and leaving aside the
// outputs of an earlier run. Each is saved the moment it changes, and its
// menu item shows its state.
#pragma once

namespace pixmold {

// Adds the option items to the menu being built.
void add_output_option_items();
// Runs an option item; false for any other command.
bool run_output_option_command(int command);
// True when outputs go to an output folder rather than beside their sources.
bool outputs_in_a_folder();

}  // namespace pixmold
