// The picture store: numbered slots plus a table of ANY_NUMBER pictures.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "image/image.h"
#include "image/mapping_pool.h"
#include "image/store_internal.h"

namespace pixmold {

namespace {

// Smaller buffers come from the heap.
constexpr std::size_t kMapThreshold = std::size_t(1) << 20;

}  // namespace

ScratchBuffer::ScratchBuffer(std::size_t bytes) {
    if (bytes >= kMapThreshold) {
        bool fresh = false;
        data_ = static_cast<std::uint8_t*>(take_mapping(bytes, mapped_, fresh));
    } else {
        data_ = static_cast<std::uint8_t*>(std::malloc(bytes ? bytes : 1));
    }
}

ScratchBuffer::~ScratchBuffer() {
    if (mapped_) give_back_mapping(data_, mapped_);
    else std::free(data_);
}

Bitmap::~Bitmap() {
    if (mapped_bytes) give_back_mapping(pixels, mapped_bytes);
    else std::free(pixels);
}

std::size_t stride_for(int width, int bits_per_pixel) {
    if (width <= 0 || width > MAX_IMAGE_SIDE) return 0;
    const std::size_t w = std::size_t(width);
    switch (bits_per_pixel) {
    case 1: return ((w + 31) / 32) * 4;
    case 2: return ((w + 15) / 16) * 4;
    case 4: return ((w + 7) / 8) * 4;
    case 8: return ((w + 3) / 4) * 4;
    case 15:
    case 16: return ((w + 1) / 2) * 4;
    case 24: return ((w * 3 + 3) / 4) * 4;
    case 32: return w * 4;
    default: return 0;
    }
}

BitmapPtr allocate_bitmap(int width, int height, int depth, bool zero) {
    if (width < 1 || height < 1 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE) return nullptr;
    if (depth != 24 && depth != 32) return nullptr;
    // Both factors are bounded above, so the product fits comfortably in 64 bits.
    const std::size_t stride = stride_for(width, depth);
    const std::size_t bytes = stride * std::size_t(height);
    BitmapPtr bitmap(new (std::nothrow) Bitmap);
    if (!bitmap) return nullptr;
    if (bytes >= kMapThreshold) {
        std::size_t mapped = 0;
        bool fresh = false;
        void* memory = take_mapping(bytes, mapped, fresh);
        if (!memory) return nullptr;
        bitmap->pixels = static_cast<std::uint8_t*>(memory);
        bitmap->mapped_bytes = mapped;
        // A fresh mapping reads as zero already; a reused one must be cleared.
        if (zero && !fresh) std::memset(memory, 0, bytes);
        zero = false;
    } else {
        void* memory = nullptr;
        if (posix_memalign(&memory, 64, bytes) != 0 || memory == nullptr) return nullptr;
        bitmap->pixels = static_cast<std::uint8_t*>(memory);
    }
    bitmap->width = width;
    bitmap->height = height;
    bitmap->depth = depth;
    bitmap->stride = int(stride);
    if (zero) std::memset(bitmap->pixels, 0, bytes);
    return bitmap;
}

void clear_row_padding(const Bitmap& bitmap) {
    const std::size_t used = std::size_t(bitmap.width) * std::size_t(bitmap.depth / 8);
    if (used < std::size_t(bitmap.stride))
        for (int y = 0; y < bitmap.height; ++y) std::memset(bitmap.row(y) + used, 0, std::size_t(bitmap.stride) - used);
}

BitmapPtr allocate_bitmap_for_overwrite(int width, int height, int depth) {
    BitmapPtr bitmap = allocate_bitmap(width, height, depth, false);
    if (bitmap) clear_row_padding(*bitmap);
    return bitmap;
}

namespace {

using SharedBitmap = std::shared_ptr<Bitmap>;

struct Record {
    Image image;
    SharedBitmap bitmap;
};

constexpr std::size_t kInitialSlots = 16;
// Numbers are small integers the program picks; refusing absurd ones keeps a
// stray value from allocating gigabytes of empty slots.
constexpr ImageId kMaxNumber = 1 << 20;
// Identifiers of ANY_NUMBER pictures and handles come from one counter that
// starts above every number, so neither can be taken for a number or for
// each other, and none is ever handed out twice.
constexpr std::uint64_t kFirstSerial = std::uint64_t(kMaxNumber) * 16;

struct Store {
    std::mutex lock;
    std::vector<Record> slots;
    std::unordered_map<ImageId, Record> loose;          // ANY_NUMBER pictures
    std::unordered_map<ImageHandle, SharedBitmap> live;  // pixels by handle
    std::uint64_t next_serial = kFirstSerial;

    Store() { slots.resize(kInitialSlots); }
    std::uint64_t serial() { return next_serial++; }
};

Store& store() {
    static Store* instance = new Store;  // never destroyed: threads may outlive exit
    return *instance;
}

// Caller holds the lock.
Record* find_locked(Store& s, ImageId id) {
    if (id >= 0 && std::size_t(id) < s.slots.size()) return &s.slots[std::size_t(id)];
    const auto it = s.loose.find(id);
    return it == s.loose.end() ? nullptr : &it->second;
}

// A picture as it stands: a copy of its record and a share in its pixels,
// taken under the lock, so that freeing the number meanwhile on another
// thread cannot pull the pixels away.
struct Held {
    Image image;
    SharedBitmap bitmap;
};

std::optional<Held> hold(ImageId id) {
    Store& s = store();
    std::lock_guard guard(s.lock);
    const Record* r = find_locked(s, id);
    if (!r || !r->image.handle) return std::nullopt;
    return Held{r->image, r->bitmap};
}

// Pixels to let go once the lock is dropped (unmapping a big picture takes a
// while). Declared before the lock guard; should the list itself find no
// memory, the pixels go at once instead.
struct Garbage {
    std::vector<SharedBitmap> items;
    void add(SharedBitmap bitmap) {
        if (!bitmap) return;
        try {
            items.push_back(std::move(bitmap));
        } catch (const std::bad_alloc&) {
        }
    }
};

// Empties a record.
void clear_locked(Store& s, Record& r, Garbage& garbage) {
    if (r.image.handle) s.live.erase(r.image.handle);
    garbage.add(std::move(r.bitmap));
    r = Record{};
}

// Empties a record and forgets it when it is an ANY_NUMBER one.
void release_locked(Store& s, ImageId id, Record& r, Garbage& garbage) {
    clear_locked(s, r, garbage);
    if (id < 0 || std::size_t(id) >= s.slots.size()) s.loose.erase(id);
}

PixelRef ref_of(SharedBitmap bitmap) {
    PixelRef v;
    if (!bitmap) return v;
    static_cast<PixelView&>(v) = bitmap->view();
    v.owner = std::move(bitmap);
    return v;
}

}  // namespace

ImageHandle store_bitmap(ImageId number, BitmapPtr bitmap, int source_depth, FormatTag tag) {
    Store& s = store();
    Garbage garbage;
    SharedBitmap shared;
    try {
        shared = std::move(bitmap);
    } catch (const std::bad_alloc&) {
        // No room for the share count: the number still becomes empty.
    }
    std::lock_guard guard(s.lock);
    Record* r = nullptr;
    ImageId id = number;
    if (number == ANY_NUMBER) {
        if (!shared) return 0;
        id = ImageId(s.serial());
        try {
            r = &s.loose[id];
        } catch (const std::bad_alloc&) {
            return 0;
        }
    } else {
        r = find_locked(s, number);
        if (!r) {
            if (number < 0 || number > kMaxNumber) return 0;
            try {
                s.slots.resize(std::size_t(number) + 16);
            } catch (const std::bad_alloc&) {
                return 0;
            }
            r = &s.slots[std::size_t(number)];
        }
        if (!shared) {
            release_locked(s, number, *r, garbage);
            return 0;
        }
        clear_locked(s, *r, garbage);
    }
    const ImageHandle handle = ImageHandle(s.serial());
    try {
        s.live.emplace(handle, shared);
    } catch (const std::bad_alloc&) {
        release_locked(s, id, *r, garbage);
        return 0;
    }
    Image& img = r->image;
    img.handle = handle;
    img.width = std::int16_t(shared->width);
    img.height = std::int16_t(shared->height);
    img.depth = std::uint8_t(shared->depth);
    img.source_depth = std::uint8_t(source_depth);
    img.format_tag = tag;
    img.frame_count = 1;
    img.frame_delay = 0;
    r->bitmap = std::move(shared);
    return number == ANY_NUMBER ? ImageHandle(id) : handle;
}

void clear_number(ImageId number) {
    Store& s = store();
    Garbage garbage;
    std::lock_guard guard(s.lock);
    if (Record* r = find_locked(s, number)) clear_locked(s, *r, garbage);
}

void init_image_engine() { (void)store(); }

ImageHandle create_image(ImageId number, int width, int height, int depth, std::int32_t colour) {
    if (depth >= 1 && depth < 24) depth = 24;
    // The number is emptied before allocating, so a big old picture is gone
    // before the new one needs memory.
    clear_number(number);
    BitmapPtr b = allocate_bitmap(width, height, depth, false);
    if (!b) return store_bitmap(number, nullptr, 0, 0);
    const std::uint32_t c = std::uint32_t(colour);
    const std::uint8_t red = std::uint8_t(c), green = std::uint8_t(c >> 8), blue = std::uint8_t(c >> 16);
    if (depth == 32) {
        const std::uint32_t word = colour == -1 ? 0u : ((c | 0xFF000000u) & 0xFF00FF00u) | (red << 16) | blue;
        for (int y = 0; y < b->height; ++y) {
            std::uint8_t* p = b->row(y);
            for (int x = 0; x < b->width; ++x, p += 4) std::memcpy(p, &word, 4);
        }
    } else {
        for (int y = 0; y < b->height; ++y) {
            std::uint8_t* p = b->row(y);
            for (int x = 0; x < b->width; ++x, p += 3) {
                p[0] = blue;
                p[1] = green;
                p[2] = red;
            }
            std::memset(p, 0, std::size_t(b->stride - b->width * 3));
        }
    }
    return store_bitmap(number, std::move(b), depth, 0);
}

ImageHandle create_image_for_overwrite(ImageId number, int width, int height, int depth) {
    if (depth >= 1 && depth < 24) depth = 24;
    clear_number(number);
    BitmapPtr b = allocate_bitmap_for_overwrite(width, height, depth);
    if (!b) return store_bitmap(number, nullptr, 0, 0);
    return store_bitmap(number, std::move(b), depth, 0);
}

ImageHandle copy_image(ImageId source, ImageId target) {
    const std::optional<Held> src = hold(source);
    if (!src) return 0;
    const Bitmap& from = *src->bitmap;
    // Duplicate before taking the target, so copying a picture onto its own
    // number keeps it.
    BitmapPtr b = allocate_bitmap(from.width, from.height, from.depth, false);
    if (b) {
        std::memcpy(b->pixels, from.pixels, from.byte_size());
        b->is_icon = from.is_icon;
    }
    return store_bitmap(target, std::move(b), src->image.source_depth, src->image.format_tag);
}

ImageHandle grab_image(ImageId source, ImageId target, int x, int y, int width, int height) {
    const std::optional<Held> src = hold(source);
    if (!src || src->bitmap->is_icon) return 0;
    const Bitmap& from = *src->bitmap;
    BitmapPtr b = allocate_bitmap(width, height, from.depth, true);
    if (!b) return 0;  // the target keeps what it held
    const int bpp = from.depth / 8;
    // Copy the part of the rectangle that lies inside the source; the rest
    // stays zero, as a clipped blit leaves it.
    const int x0 = std::max(x, 0), x1 = std::min<long long>((long long)x + width, from.width);
    const int y0 = std::max(y, 0), y1 = std::min<long long>((long long)y + height, from.height);
    if (x0 < x1) {
        for (int sy = y0; sy < y1; ++sy) {
            const std::uint8_t* s = from.row(from.height - 1 - sy) + std::size_t(x0) * bpp;
            std::uint8_t* d = b->row(b->height - 1 - (sy - y)) + std::size_t(x0 - x) * bpp;
            std::memcpy(d, s, std::size_t(x1 - x0) * bpp);
        }
    }
    return store_bitmap(target, std::move(b), src->image.source_depth, 0);
}

void free_image(ImageId number) {
    Store& s = store();
    Garbage garbage;
    std::lock_guard guard(s.lock);
    if (number == ANY_NUMBER) {
        for (Record& r : s.slots) clear_locked(s, r, garbage);
        for (auto& [id, r] : s.loose) clear_locked(s, r, garbage);
        s.loose.clear();
    } else if (Record* r = find_locked(s, number)) {
        release_locked(s, number, *r, garbage);
    }
}

void free_all_images() { free_image(ANY_NUMBER); }

std::optional<Image> is_image(ImageId number) {
    Store& s = store();
    std::lock_guard guard(s.lock);
    const Record* r = find_locked(s, number);
    if (!r || !r->image.handle) return std::nullopt;
    return r->image;
}

int image_width(ImageId number) {
    const std::optional<Image> img = is_image(number);
    return img ? img->width : 0;
}

int image_height(ImageId number) {
    const std::optional<Image> img = is_image(number);
    return img ? img->height : 0;
}

ImageHandle image_handle(ImageId number) {
    const std::optional<Image> img = is_image(number);
    return img ? img->handle : 0;
}

PixelRef image_pixels(ImageId number) {
    std::optional<Held> held = hold(number);
    return held ? ref_of(std::move(held->bitmap)) : PixelRef{};
}

std::optional<HeldPicture> hold_picture(ImageId number) {
    std::optional<Held> held = hold(number);
    if (!held) return std::nullopt;
    return HeldPicture{held->image, ref_of(std::move(held->bitmap))};
}

PixelRef handle_pixels(ImageHandle handle) {
    if (handle == 0) return {};
    Store& s = store();
    SharedBitmap bitmap;
    {
        std::lock_guard guard(s.lock);
        const auto it = s.live.find(handle);
        if (it != s.live.end()) bitmap = it->second;
    }
    return ref_of(std::move(bitmap));
}

std::size_t image_store_capacity() {
    Store& s = store();
    std::lock_guard guard(s.lock);
    return s.slots.size();
}

ImageHandle move_pixels(ImageId from, ImageId to) {
    Store& s = store();
    Garbage garbage;
    std::lock_guard guard(s.lock);
    Record* src = find_locked(s, from);
    Record* dst = find_locked(s, to);
    if (!src || !dst || !src->image.handle || !dst->image.handle || src == dst) return 0;
    if (src->bitmap->is_icon || dst->bitmap->is_icon) return 0;
    // The pixels keep their handle: it names them, wherever they live.
    s.live.erase(dst->image.handle);
    garbage.add(std::move(dst->bitmap));
    dst->bitmap = std::move(src->bitmap);
    Image& img = dst->image;
    img.handle = src->image.handle;
    img.width = std::int16_t(dst->bitmap->width);
    img.height = std::int16_t(dst->bitmap->height);
    img.depth = std::uint8_t(dst->bitmap->depth);
    src->image = Image{};
    if (from < 0 || std::size_t(from) >= s.slots.size()) s.loose.erase(from);
    return img.handle;
}

}  // namespace pixmold
