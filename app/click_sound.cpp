#include "app/click_sound.h"

#include "app/shell_state.h"
#include "toolkit/sound.h"
#include "platform/threads.h"

namespace pixmold {

extern const unsigned char click_wav_data[];
extern const std::size_t click_wav_size;

std::span<const std::uint8_t> click_wave() { return {click_wav_data, click_wav_size}; }

bool start_click_sound() {
    if (!init_sound()) return false;
    auto wave = click_wave();
    return catch_sound(CLICK_SOUND, wave.data(), wave.size());
}

void play_click_sound(int milliseconds) {
    if (!shell.sound_available) return;
    play_sound(CLICK_SOUND);
    pixmold::sleep(milliseconds);
    stop_sound(CLICK_SOUND);
}

}  // namespace pixmold
