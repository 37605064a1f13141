#pragma once
// The eight bitmaps of the picker (resources of the program), each drawn with the colour of its own bottom-left
// pixel left out.

#include <windows.h>

#include <array>
#include <memory>

#include "ui/PickerDrives.h"
#include "ui/PickerPaths.h"

namespace quibel {

enum class PickerIcon { Floppy, Hard, Network, CdRom, Ram, OpenFolder, CurrentFolder, ClosedFolder };

// The resource that holds the icon's bitmap.
const char* ResourceName(PickerIcon icon);
// The bitmap of a drive entry, and of a directory entry (root and ancestors, the current directory, subdirectories).
PickerIcon DriveIcon(DriveKind kind);
PickerIcon FolderBitmap(FolderIcon icon);

class PickerBitmap {
  public:
    explicit PickerBitmap(const char* resourceName);
    ~PickerBitmap();
    PickerBitmap(const PickerBitmap&) = delete;
    PickerBitmap& operator=(const PickerBitmap&) = delete;

    int Width() const { return size_.cx; }
    int Height() const { return size_.cy; }
    void Draw(HDC target, int left, int top) const;

  private:
    // The picture with its transparent pixels made black, and a one-bit mask that is set where they are: the
    // mask is ANDed onto the target, then the picture ORed onto it (no msimg32, which is not a KnownDLL).
    HBITMAP image_ = nullptr;
    HBITMAP mask_ = nullptr;
    SIZE size_{};
};

class PickerIcons {
  public:
    PickerIcons();
    const PickerBitmap& operator[](PickerIcon icon) const { return *bitmaps_[static_cast<int>(icon)]; }

  private:
    std::array<std::unique_ptr<PickerBitmap>, 8> bitmaps_;
};

}  // namespace quibel
