// Short sound samples played on the default audio output.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixmold {

// Starts the sound system. False when there is no audio output; every other
// function then does nothing.
bool init_sound();
void shutdown_sound();

// Decodes a RIFF/WAVE file (PCM, 8 or 16 bits, 1 or 2 channels) from memory
// into sound `number`. False when the data is not such a file or no sound
// system runs.
bool catch_sound(int number, const std::uint8_t* data, std::size_t size);
// Start and stop playing. May be called from any thread.
void play_sound(int number);
void stop_sound(int number);

}  // namespace pixmold
