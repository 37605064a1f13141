#include "ui/PickerIcons.h"

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

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

PickerBitmap::PickerBitmap(const char* resourceName) : image_(LoadBitmapA(GetModuleHandleA(nullptr), resourceName)) {
    BITMAP info{};
    if (image_ == nullptr || GetObjectA(image_, sizeof info, &info) == 0) {
        return;
    }
    size_ = {info.bmWidth, info.bmHeight};
    mask_ = CreateBitmap(size_.cx, size_.cy, 1, 1, nullptr);
    SelectedBitmap image(nullptr, image_);
    SelectedBitmap mask(nullptr, mask_);
    // Colour to one bit: pixels of the background colour become 1, all others 0.
    SetBkColor(image.dc(), GetPixel(image.dc(), 0, size_.cy - 1));
    BitBlt(mask.dc(), 0, 0, size_.cx, size_.cy, image.dc(), 0, 0, SRCCOPY);
    // One bit to colour: 0 becomes the text colour, 1 the background colour. AND blacks out the transparent pixels.
    SetTextColor(image.dc(), kWhite);
    SetBkColor(image.dc(), kBlack);
    BitBlt(image.dc(), 0, 0, size_.cx, size_.cy, mask.dc(), 0, 0, SRCAND);
}

PickerBitmap::~PickerBitmap() {
    if (image_ != nullptr) {
        DeleteObject(image_);
    }
    if (mask_ != nullptr) {
        DeleteObject(mask_);
    }
}

void PickerBitmap::Draw(HDC target, int left, int top) const {
    if (image_ == nullptr || mask_ == nullptr) {
        return;
    }
    const COLORREF text = SetTextColor(target, kBlack);
    const COLORREF background = SetBkColor(target, kWhite);
    {
        SelectedBitmap mask(target, mask_);
        BitBlt(target, left, top, size_.cx, size_.cy, mask.dc(), 0, 0, SRCAND);
    }
    {
        SelectedBitmap image(target, image_);
        BitBlt(target, left, top, size_.cx, size_.cy, image.dc(), 0, 0, SRCPAINT);
    }
    SetTextColor(target, text);
    SetBkColor(target, background);
}

PickerIcons::PickerIcons() {
    static constexpr const char* kNames[] = {"FLOPPY", "HARD",       "NETWORK",       "CDROM",
                                             "RAM",    "OPENFOLDER", "CURRENTFOLDER", "CLOSEDFOLDER"};
    for (std::size_t i = 0; i < bitmaps_.size(); ++i) {
        bitmaps_[i] = std::make_unique<PickerBitmap>(kNames[i]);
    }
}

}  // namespace quibel
