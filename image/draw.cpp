// The drawing layer: per-thread surface, rectangles, blits, single pixels.
#include <algorithm>
#include <cmath>
#include <vector>

#include "image/draw.h"
#include "image/draw_internal.h"
#include "image/resample.h"

namespace pixmold {

namespace draw {

namespace {
thread_local std::optional<DrawingSurface> t_surface;
}

DrawingSurface* current_surface() { return t_surface ? &*t_surface : nullptr; }

void DrawingSurface::prepare(Colour colour) {
    if (colour == front_colour) return;
    front_colour = colour;
    r = red(colour);
    g = green(colour);
    b = blue(colour);
    a = alpha(colour);
    ra = r * a;
    ga = g * a;
    ba = b * a;
}

void write_pixel(DrawingSurface& s, std::uint8_t* p) {
    if (!(s.mode & DRAW_ALPHA_BLEND)) {
        p[0] = std::uint8_t(s.b);
        p[1] = std::uint8_t(s.g);
        p[2] = std::uint8_t(s.r);
        return;
    }
    const int keep = 255 - s.a;
    if (s.bytes_per_pixel == 3) {
        p[0] = std::uint8_t((p[0] * keep + s.ba) / 255);
        p[1] = std::uint8_t((p[1] * keep + s.ga) / 255);
        p[2] = std::uint8_t((p[2] * keep + s.ra) / 255);
        return;
    }
    if (s.a == 0) return;
    const int d = p[3];
    if (d == 0) {
        p[0] = std::uint8_t(s.b);
        p[1] = std::uint8_t(s.g);
        p[2] = std::uint8_t(s.r);
    } else {
        const int under = keep * d;
        const int total = under + s.a * 255;
        p[0] = std::uint8_t((s.ba * 255 + under * p[0]) / total);
        p[1] = std::uint8_t((s.ga * 255 + under * p[1]) / total);
        p[2] = std::uint8_t((s.ra * 255 + under * p[2]) / total);
    }
    p[3] = std::uint8_t((keep * d + s.a * 255) / 255);
}

}  // namespace draw

using draw::DrawingSurface;
using draw::current_surface;

namespace {

bool usable_view(const PixelView& v) {
    return v.pixels && !v.is_icon && (v.depth == 24 || v.depth == 32) && v.width > 0 && v.height > 0 &&
           v.stride >= v.width * (v.depth / 8);
}

// Pixels x0 .. x1 (inclusive) of row y, clipped.
void span(DrawingSurface& s, int x0, int x1, int y) {
    if (y < 0 || y >= s.height) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, s.width - 1);
    if (x0 > x1) return;
    std::uint8_t* p = s.at(x0, y);
    for (int x = x0; x <= x1; ++x, p += s.bytes_per_pixel) draw::write_pixel(s, p);
}

void normalise(int& x, int& y, int& width, int& height) {
    if (width < 0) {
        x += width;
        width = -width;
    }
    if (height < 0) {
        y += height;
        height = -height;
    }
}

// Per-row spans [left, right] of a rounded box, relative to its corner.
void rounded_spans(int width, int height, int rx, int ry, std::vector<int>& left, std::vector<int>& right) {
    left.assign(std::size_t(height), 0);
    right.assign(std::size_t(height), width - 1);
    if (rx <= 0 || ry <= 0) return;
    for (int j = 0; j < height; ++j) {
        const double centre = j + 0.5;
        double dy = 0;
        if (centre < ry)
            dy = ry - centre;
        else if (centre > height - ry)
            dy = centre - (height - ry);
        if (dy <= 0) continue;
        const double t = std::min(1.0, dy / ry);
        const double dx = rx * std::sqrt(1.0 - t * t);
        const int inset = std::max(0, int(std::ceil(rx - dx - 0.5)));
        left[std::size_t(j)] = std::min(inset, (width - 1) / 2);
        right[std::size_t(j)] = width - 1 - left[std::size_t(j)];
    }
}

void blit(DrawingSurface& s, const PixelView& src, int x, int y, bool blended, int opacity) {
    x += s.origin_x;
    y += s.origin_y;
    const int x0 = std::max(0, x), x1 = std::min(s.width, x + src.width);
    const int y0 = std::max(0, y), y1 = std::min(s.height, y + src.height);
    if (x0 >= x1 || y0 >= y1) return;
    const int sbpp = src.depth / 8;
    opacity = std::clamp(opacity, 0, 255);
    for (int ty = y0; ty < y1; ++ty) {
        const std::uint8_t* in = src.row_from_top(ty - y) + std::ptrdiff_t(x0 - x) * sbpp;
        std::uint8_t* out = s.at(x0, ty);
        for (int tx = x0; tx < x1; ++tx, in += sbpp, out += s.bytes_per_pixel) {
            if (!blended) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                continue;
            }
            const int w = sbpp == 4 ? (opacity == 255 ? in[3] : opacity * in[3] / 255) : opacity;
            draw::blend_pixel(out, in[2], in[1], in[0], w);
            if (s.bytes_per_pixel == 4) out[3] = std::uint8_t(w + out[3] * (255 - w) / 255);
        }
    }
}

}  // namespace

void init_drawing() {}

std::optional<DrawingTarget> image_target(ImageId number) {
    if (!usable_view(image_pixels(number))) return std::nullopt;
    DrawingTarget t;
    t.image = number;
    return t;
}

std::optional<DrawingTarget> canvas_target(const PixelView& pixels, std::function<void()> repaint) {
    if (!usable_view(pixels) || pixels.depth != 24) return std::nullopt;
    DrawingTarget t;
    t.canvas = pixels;
    t.repaint = std::move(repaint);
    return t;
}

int begin_drawing(const std::optional<DrawingTarget>& target) {
    end_drawing();
    if (!target) return 0;
    // A picture target stays alive while drawing goes on, even if another
    // thread frees its number meanwhile.
    PixelRef v;
    if (target->canvas)
        static_cast<PixelView&>(v) = *target->canvas;
    else
        v = image_pixels(target->image);
    if (!usable_view(v)) return 0;
    DrawingSurface& s = draw::t_surface.emplace();
    s.owner = std::move(v.owner);
    s.pixels = v.pixels;
    s.stride = v.stride;
    s.bytes_per_pixel = v.depth == 32 ? 4 : 3;
    s.width = v.width;
    s.height = v.height;
    if (target->canvas) s.finish = target->repaint;
    return 1;
}

void end_drawing() {
    if (!draw::t_surface) return;
    std::function<void()> finish = std::move(draw::t_surface->finish);
    draw::t_surface.reset();
    if (finish) finish();
}

bool drawing_active() { return current_surface() != nullptr; }

void set_drawing_mode(int mode) {
    if (DrawingSurface* s = current_surface()) s->mode = mode;
}

void set_font(const FontSpec& font) {
    if (DrawingSurface* s = current_surface()) s->font = font;
}

int drawing_mode() {
    const DrawingSurface* s = current_surface();
    return s ? s->mode : 0;
}

// The current surface ready to fill a box: sizes made positive and the box
// moved into surface coordinates. None when there is nothing to draw.
static DrawingSurface* box_surface(int& x, int& y, int& width, int& height, Colour colour) {
    DrawingSurface* s = current_surface();
    if (!s) return nullptr;
    normalise(x, y, width, height);
    if (width == 0 || height == 0) return nullptr;
    x += s->origin_x;
    y += s->origin_y;
    s->prepare(colour);
    return s;
}

void fill_box(int x, int y, int width, int height, Colour colour) {
    DrawingSurface* s = box_surface(x, y, width, height, colour);
    if (!s) return;
    const int right = x + width - 1, bottom = y + height - 1;
    if (!(s->mode & DRAW_OUTLINE)) {
        for (int row = std::max(y, 0); row <= std::min(bottom, s->height - 1); ++row) span(*s, x, right, row);
        return;
    }
    span(*s, x, right, y);
    if (bottom != y) span(*s, x, right, bottom);
    for (int row = std::max(y + 1, 0); row <= std::min(bottom - 1, s->height - 1); ++row) {
        span(*s, x, x, row);
        if (right != x) span(*s, right, right, row);
    }
}

void fill_rounded_box(int x, int y, int width, int height, int radius_x, int radius_y, Colour colour) {
    DrawingSurface* s = box_surface(x, y, width, height, colour);
    if (!s) return;
    const int rx = std::clamp(radius_x, 0, width / 2), ry = std::clamp(radius_y, 0, height / 2);
    std::vector<int> left, right;
    rounded_spans(width, height, rx, ry, left, right);
    for (int j = 0; j < height; ++j) {
        const int row = y + j;
        if (row < 0 || row >= s->height) continue;
        const int l = left[std::size_t(j)], r = right[std::size_t(j)];
        if (!(s->mode & DRAW_OUTLINE) || j == 0 || j == height - 1) {
            span(*s, x + l, x + r, row);
            continue;
        }
        // The frame: pixels of this row's span that stick out beyond the
        // spans above or below, plus the two ends.
        const int inner_l = std::max({l + 1, left[std::size_t(j - 1)], left[std::size_t(j + 1)]});
        const int inner_r = std::min({r - 1, right[std::size_t(j - 1)], right[std::size_t(j + 1)]});
        if (inner_l > inner_r) {
            span(*s, x + l, x + r, row);
        } else {
            span(*s, x + l, x + inner_l - 1, row);
            span(*s, x + inner_r + 1, x + r, row);
        }
    }
}

void draw_image(ImageHandle image, int x, int y) {
    if (!current_surface() || image == 0) return;
    draw_pixels(handle_pixels(image), x, y);
}

void draw_pixels(const PixelView& pixels, int x, int y) {
    DrawingSurface* s = current_surface();
    if (!s || !pixels.pixels || (pixels.depth != 24 && pixels.depth != 32)) return;
    blit(*s, pixels, x, y, false, 255);
}

void draw_image(ImageHandle image, int x, int y, int width, int height) {
    DrawingSurface* s = current_surface();
    if (!s || image == 0 || width <= 0 || height <= 0) return;
    PixelRef src = handle_pixels(image);
    if (!src.pixels || (src.depth != 24 && src.depth != 32)) return;
    if (src.width == width && src.height == height) {
        blit(*s, src, x, y, false, 255);
        return;
    }
    // Only the part that lands on the target matters, but the filter needs
    // the whole picture; the scaled copy is temporary.
    PixelView scaled;
    scaled.width = width;
    scaled.height = height;
    scaled.depth = src.depth;
    scaled.stride = int(stride_for(width, src.depth));
    std::vector<std::uint8_t> memory;
    try {
        memory.resize(std::size_t(scaled.stride) * std::size_t(height));
    } catch (const std::bad_alloc&) {
        return;
    }
    scaled.pixels = memory.data();
    src.is_icon = false;  // an icon's colour pixels are drawn like a bitmap's
    if (!resize_pixels(src, scaled, RESIZE_SMOOTH)) return;
    blit(*s, scaled, x, y, false, 255);
}

void draw_image_blended(ImageHandle image, int x, int y, int opacity) {
    if (!current_surface() || image == 0) return;
    draw_pixels_blended(handle_pixels(image), x, y, opacity);
}

void draw_pixels_blended(const PixelView& pixels, int x, int y, int opacity) {
    DrawingSurface* s = current_surface();
    if (!s || !pixels.pixels || pixels.is_icon || (pixels.depth != 24 && pixels.depth != 32)) return;
    blit(*s, pixels, x, y, true, opacity);
}

Colour get_pixel(int x, int y) {
    const DrawingSurface* s = current_surface();
    if (!s) return 0;
    x += s->origin_x;
    y += s->origin_y;
    if (x < 0 || y < 0 || x >= s->width || y >= s->height) return 0;
    const std::uint8_t* p = s->at(x, y);
    std::uint32_t c = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    if (s->bytes_per_pixel == 4 && (s->mode & DRAW_ALPHA_BLEND)) c |= std::uint32_t(p[3]) << 24;
    return Colour(c);
}

void set_pixel(int x, int y, Colour colour) {
    DrawingSurface* s = current_surface();
    if (!s) return;
    x += s->origin_x;
    y += s->origin_y;
    if (x < 0 || y < 0 || x >= s->width || y >= s->height) return;
    s->prepare(colour);
    draw::write_pixel(*s, s->at(x, y));
}

}  // namespace pixmold
