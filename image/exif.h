// EXIF handling: the orientation a picture is meant to be shown in (the
// decoders report it with every picture), and the EXIF block written into a
// resized or turned copy.
//
// Only the EXIF structure is read (a JPEG's APP1 "Exif" segment, a TIFF
// file's first IFD, a PNG's eXIf chunk, a WebP's EXIF chunk), in both byte orders, with every
// offset bounds-checked. Anything malformed reads as orientation 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pixmold {

// Orientation 1..8 of a TIFF-structured EXIF payload (starting "II*\0" or
// "MM\0*"); 1 when the tag is absent, out of range or the data is malformed.
int exif_orientation(std::span<const std::uint8_t> tiff);

// Orientation of a whole picture file in memory (JPEG, PNG, TIFF or WebP):
// 1 for any other data and for a file without the tag. Only the segments
// before the picture data are looked at (in a PNG or WebP, every chunk up to
// the EXIF one, which may follow the picture). HEIC and AVIF give 1 whatever
// their EXIF says: their decoder already turns them as the container says.
int picture_orientation(std::span<const std::uint8_t> file);

// The same for a file on disk, read whole; 1 when it cannot be read.
int read_orientation(const std::string& path);

// Whether the GPS position goes along into an output.
enum class Location { Keep, Strip };

// The EXIF payload for an output of width x height pixels made from a source
// carrying `tiff`: orientation set to 1, the thumbnail IFD unlinked (and cut
// off when it lies at the end, as cameras write it), PixelXDimension and
// PixelYDimension set to the new size where present. Vendor maker notes keep
// their place, so their internal offsets stay valid. With Location::Strip the
// GPS IFD's entry leaves IFD0 and the GPS IFD's table and values are zeroed
// wherever no kept structure shares their bytes, so the position cannot be
// read from the bytes either. Empty when the payload is not valid EXIF, or
// when nothing but the location was in it and it is stripped.
std::vector<std::uint8_t> exif_for_output(std::span<const std::uint8_t> tiff, int width, int height,
                                          Location location = Location::Keep);

}  // namespace pixmold
