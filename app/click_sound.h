// The click that every clickable control plays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pixmold {

// When the sound is available: starts the click, blocks the calling thread
// for `milliseconds`, then stops it (so only the start is heard). Otherwise
// returns at once. Any thread may call it.
void play_click_sound(int milliseconds);

// The RIFF/WAVE click carried inside the program (PCM, 2 channels, 16 bits,
// 22,050 Hz, 55,776 bytes).
std::span<const std::uint8_t> click_wave();

// Starts the sound system and loads the click; true when it can play.
bool start_click_sound();

}  // namespace pixmold
