// Procedural creature portraits for the demo's Pic folder.
#pragma once

#include <cstdint>
#include <vector>

#include "store/fault.h"

namespace ce {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, row by row from the top
};

// The face of creature `slot` at the given size: the same creature looks the
// same at every size (the features are placed in proportion to the picture).
Image draw_creature_face(std::uint64_t seed, int slot, int width, int height);
// The same face drawn face_width x face_height pixels large in the top-left
// corner of a larger picture, framed, on a dark wall.
Image draw_creature_face(std::uint64_t seed, int slot, int width, int height, int face_width, int face_height);

// The image as a baseline JPEG file, or why it cannot be made: this build has
// no JPEG encoder (the Windows build does not carry one: the generator runs on
// the build machine), the image's size does not match its pixels, or the
// encoder failed.
Result<std::vector<std::uint8_t>> encode_jpeg(const Image& image);

}  // namespace ce
