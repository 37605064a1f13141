#include "ui/PickerIcons.h"

#include <memory>

namespace quibel {

namespace {

// A memory DC with a bitmap selected into it, both released in reverse order.
class SelectedBitmap {
  public:
    SelectedBitmap(HDC compatible, HBITMAP bitmap)
        : dc_(CreateCompatibleDC(compatible)), previous_(SelectObject(dc_, bitmap)) {}
    ~SelectedBitmap() {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    SelectedBitmap(const SelectedBitmap&) = delete;
    SelectedBitmap& operator=(const SelectedBitmap&) = delete;
    HDC dc() const { return dc_; }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace

PickerBitmap::PickerBitmap(const char* resourceName) : bitmap_(LoadBitmapA(GetModuleHandleA(nullptr), resourceName)) {
    BITMAP info{};
    if (bitmap_ != nullptr && GetObjectA(bitmap_, sizeof info, &info) != 0) {
        size_ = {info.bmWidth, info.bmHeight};
        SelectedBitmap source(nullptr, bitmap_);
        transparent_ = GetPixel(source.dc(), 0, size_.cy - 1);
    }
}

PickerBitmap::~PickerBitmap() {
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
}

void PickerBitmap::Draw(HDC target, int left, int top) const {
    if (bitmap_ == nullptr) {
        return;
    }
    SelectedBitmap source(target, bitmap_);
    TransparentBlt(target, left, top, size_.cx, size_.cy, source.dc(), 0, 0, size_.cx, size_.cy, transparent_);
}

PickerIcons::PickerIcons() {
    static constexpr const char* kNames[] = {"FLOPPY", "HARD",       "NETWORK",       "CDROM",
                                             "RAM",    "OPENFOLDER", "CURRENTFOLDER", "CLOSEDFOLDER"};
    for (std::size_t i = 0; i < bitmaps_.size(); ++i) {
        bitmaps_[i] = std::make_unique<PickerBitmap>(kNames[i]);
    }
}

}  // namespace quibel
