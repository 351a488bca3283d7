// The Préférences menu's output folder: an item that opens a folder dialog
// (and names the chosen folder), and one that goes back to writing beside
// the sources. Saved the moment it changes; the two items' marks show which.
#pragma once

namespace pixmold {

// Adds the two items to the menu being built.
void add_output_folder_items();
// Runs one of the two items; false for any other command.
bool run_output_folder_command(int command);
// True when outputs go to an output folder rather than beside their sources.
bool outputs_in_a_folder();

}  // namespace pixmold
