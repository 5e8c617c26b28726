// JPEG encoding through stb_image_write (libstb-dev), when the build has it.
#include "demo/portrait.h"

#if __has_include(<stb/stb_image_write.h>)
#define CE_HAVE_STB_WRITE 1
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wconversion"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop
#endif

namespace ce {

#ifdef CE_HAVE_STB_WRITE

namespace {
void append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}
}  // namespace

Result<std::vector<std::uint8_t>> encode_jpeg(const Image& image) {
    std::vector<std::uint8_t> out;
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3)
        return Fault(FaultKind::invalid, "", "cannot encode an image of inconsistent size as JPEG");
    if (stbi_write_jpg_to_func(append, &out, image.width, image.height, 3, image.rgb.data(), 90) == 0)
        return Fault(FaultKind::io, "", "the JPEG encoder failed");
    return out;
}

#else

Result<std::vector<std::uint8_t>> encode_jpeg(const Image&) {
    return Fault(FaultKind::io, "", "this build has no JPEG encoder (stb_image_write.h was not found)");
}

#endif

}  // namespace ce
