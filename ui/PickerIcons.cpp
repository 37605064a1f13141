#include "ui/PickerIcons.h"

#include "ui/Gdi.h"

namespace quibel {

namespace {

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
    const MemoryDC image(nullptr);
    const Selection imageSelected(image.Get(), image_);
    const MemoryDC mask(nullptr);
    const Selection maskSelected(mask.Get(), mask_);
    // Colour to one bit: pixels of the background colour become 1, all others 0.
    SetBkColor(image.Get(), GetPixel(image.Get(), 0, size_.cy - 1));
    BitBlt(mask.Get(), 0, 0, size_.cx, size_.cy, image.Get(), 0, 0, SRCCOPY);
    // One bit to colour: 0 becomes the text colour, 1 the background colour. AND blacks out the transparent pixels.
    SetTextColor(image.Get(), kWhite);
    SetBkColor(image.Get(), kBlack);
    BitBlt(image.Get(), 0, 0, size_.cx, size_.cy, mask.Get(), 0, 0, SRCAND);
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
    const MemoryDC source(target);
    {
        const Selection selected(source.Get(), mask_);
        BitBlt(target, left, top, size_.cx, size_.cy, source.Get(), 0, 0, SRCAND);
    }
    {
        const Selection selected(source.Get(), image_);
        BitBlt(target, left, top, size_.cx, size_.cy, source.Get(), 0, 0, SRCPAINT);
    }
    SetTextColor(target, text);
    SetBkColor(target, background);
}

const char* ResourceName(PickerIcon icon) {
    static constexpr const char* kNames[] = {"FLOPPY", "HARD",       "NETWORK",       "CDROM",
                                             "RAM",    "OPENFOLDER", "CURRENTFOLDER", "CLOSEDFOLDER"};
    return kNames[static_cast<int>(icon)];
}

PickerIcon DriveIcon(DriveKind kind) {
    switch (kind) {
        case DriveKind::Removable:
            return PickerIcon::Floppy;
        case DriveKind::Fixed:
            return PickerIcon::Hard;
        case DriveKind::Network:
            return PickerIcon::Network;
        case DriveKind::CdRom:
            return PickerIcon::CdRom;
        case DriveKind::Ram:
            return PickerIcon::Ram;
    }
    return PickerIcon::Hard;
}

PickerIcon FolderBitmap(FolderIcon icon) {
    switch (icon) {
        case FolderIcon::Open:
            return PickerIcon::OpenFolder;
        case FolderIcon::Current:
            return PickerIcon::CurrentFolder;
        case FolderIcon::Closed:
            return PickerIcon::ClosedFolder;
    }
    return PickerIcon::ClosedFolder;
}

PickerIcons::PickerIcons() {
    for (std::size_t i = 0; i < bitmaps_.size(); ++i) {
        bitmaps_[i] = std::make_unique<PickerBitmap>(ResourceName(static_cast<PickerIcon>(i)));
    }
}

}  // namespace quibel
