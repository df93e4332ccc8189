// make_images ICON BITMAP: draws the program's icon into ICON (.ico) and the toolbar strip
// into BITMAP (.bmp). The output is the same on every run.
#include <cstdio>
#include <fstream>
#include <vector>

#include "resources/resource_ids.h"
#include "tools/make_images/bmp_encoder.h"
#include "tools/make_images/ico_encoder.h"
#include "tools/make_images/toolbar_images.h"
#include "tools/make_images/tray_icon.h"

namespace {

bool write_file(const char* path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::fprintf(stderr, "make_images: cannot write %s\n", path);
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_images ICON BITMAP\n");
        return 2;
    }
    auto icon = imagemaker::encode_ico_24(imagemaker::draw_tray_icon());
    auto strip =
        imagemaker::encode_bmp_32(imagemaker::draw_toolbar_strip(), LQ_TOOLBAR_MASK_COLOUR);
    return write_file(argv[1], icon) && write_file(argv[2], strip) ? 0 : 1;
}
