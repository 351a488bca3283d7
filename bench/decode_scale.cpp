// The JPEG decode scale pixmold-batch takes for each file, so that the
// benchmark's djpeg floor decodes at the same scale.
//
//   decode_scale BOX FILE...   prints "N FILE" (the scale N/8) for every file
//
// BOX is the relative mode's landscape width and portrait height. The scale
// comes from the batch's own rules and the engine's own choice.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "batch/job.h"
#include "batch/rules.h"
#include "image/codec.h"
#include "image/image.h"
#include "image/orient.h"

int main(int argc, char** argv) {
    using namespace pixmold;
    if (argc < 3 || std::atoi(argv[1]) <= 0) {
        std::fprintf(stderr, "usage: decode_scale BOX FILE...\n");
        return 2;
    }
    register_all_codecs();
    BatchSettings settings;
    settings.landscape_width = settings.portrait_height = std::atoi(argv[1]);
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        int orientation = 1, full_width = 0;
        DecodeOptions options;
        options.orientation = &orientation;
        options.min_size = [&](int w, int h, DecodeScaling scaling, int& min_w, int& min_h) {
            full_width = w;
            const bool swap = orientation_swaps_sides(orientation);
            TargetSize target = compute_target_size(settings, swap ? h : w, swap ? w : h).value_or(TargetSize{});
            if (swap) target = {target.height, target.width};
            shrink_on_load_size(w, h, scaling, target, min_w, min_h);
        };
        if (!load_image(1, argv[i], options) || full_width <= 0) {
            std::fprintf(stderr, "%s: not read\n", argv[i]);
            status = 1;
            continue;
        }
        // Eighths round up: the smallest n whose n/8 gives this width.
        int n = 1;
        while (n < 8 && (full_width * n + 7) / 8 < image_width(1)) ++n;
        std::printf("%d %s\n", n, argv[i]);
        free_image(1);
    }
    return status;
}
