// Engine objects behind HSURF, HPALETTE, HDEV and the CLIPOBJ/BRUSHOBJ/XLATEOBJ the engine
// hands out. Handles are numbers looked up in one table, so a stale or foreign handle is
// refused instead of being followed.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win/ddi.h"

namespace plat::gdi {

enum class ObjectKind { Surface, Palette, Device };

struct Surface {
    SURFOBJ so{};            // first, so a SURFOBJ* handed out maps back to its Surface
    std::vector<BYTE> bits;  // engine-owned bits (empty with caller bits or device surfaces)
    bool banding = false;
    bool associated = false;
    FLONG hooks = 0;
    ULONG locks = 0;
    bool deleted = false;  // EngDeleteSurface while locked: freed at the last unlock
    LONG stride = 0;       // positive scan-line length
};

struct Palette {
    ULONG mode = 0;
    std::vector<ULONG> colors;  // PAL_INDEXED: 0x00BBGGRR entries (red in the low byte)
    FLONG red = 0, green = 0, blue = 0;
};

struct Device {
    HANDLE printer = nullptr;
    std::u16string printerName;
    std::u16string driverPath;
    std::u16string dataFile;
    DHPDEV dhpdev = nullptr;
    std::vector<DRVFN> hooks;
    ULONG halftoneFormat = HT_FORMAT_1BPP;  // GDIINFO.ulHTOutputFormat of the PDEV
    HSURF surface = nullptr;                // the surface last associated with the device
};

// The object table. Every accessor takes the table lock itself; callers that work on an object
// hold the lock for the whole operation with Lock().
std::unique_lock<std::recursive_mutex> Lock();
ULONG_PTR Insert(ObjectKind kind, std::shared_ptr<void> object);
std::shared_ptr<void> Find(ULONG_PTR handle, ObjectKind kind);
bool Remove(ULONG_PTR handle, ObjectKind kind);
ULONG Count();
// Objects handed out by address (clip, brush and translation objects).
void AddLoose(const void* address);
bool RemoveLoose(const void* address);
// Deletes an object made by one of the Plat*Create calls (null is ignored).
template <class T>
void DeleteLoose(T* object) {
    if (!object) return;
    RemoveLoose(object);
    delete object;
}
bool IsLoose(const void* address);

std::shared_ptr<Surface> FindSurface(HSURF hsurf);
// The surface behind a SURFOBJ the engine handed out (locked or passed to the driver), or null.
Surface* FromSurfobj(SURFOBJ* pso);
// Drops the SURFOBJ of a deleted surface once its last lock is gone.
void ForgetSurfobj(const SURFOBJ* pso);
std::shared_ptr<Palette> FindPalette(HPALETTE hpal);
std::shared_ptr<Device> FindDevice(HDEV hdev);

// The rectangles of a clip object's region (right-down order) without touching the driver's
// own enumeration of it; false for an object this engine did not make.
bool ClipRectangles(CLIPOBJ* pco, std::vector<RECTL>& out);

// Bits per pixel of a BMF_ format, 0 when the engine cannot draw on it.
ULONG BitsPerPixel(ULONG iFormat);

// Pixel access on bitmap surfaces (colour indices of the surface format; rows top-down).
ULONG GetPixel(const SURFOBJ& so, LONG x, LONG y);
void PutPixel(SURFOBJ& so, LONG x, LONG y, ULONG color);

}  // namespace plat::gdi
