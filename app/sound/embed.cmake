# Writes OUT, a C++ source holding the bytes of IN as click_wav_data.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUT}.tmp" "// Generated from app/sound/click.wav at build time; do not edit.\n#include <cstddef>\n\nnamespace pixmold {\nextern const unsigned char click_wav_data[];\nextern const std::size_t click_wav_size;\nconst unsigned char click_wav_data[] = {\n${bytes}\n};\nconst std::size_t click_wav_size = ${size};\n}  // namespace pixmold\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
