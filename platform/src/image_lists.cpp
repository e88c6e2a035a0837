// Image lists: the images a tree view or list draws by index. A list keeps its own copy of every
// picture it is given, so the caller may destroy its icon or bitmap at once; the copies go with
// the list. The count of live lists shows leaks.
#include <algorithm>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "plat/window_test.h"
#include "plat_internal.h"
#include "win/tree_view.h"
#include "win/user_gdi.h"

namespace plat {
namespace {

constexpr int kLargestImage = 256;
constexpr int kMaxImages = 0x7FFF;
constexpr int kOverlays = 15;

struct ImageList {
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    std::vector<HICON> images;                                                               // the list's own copies
    int overlays[kOverlays] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};  // image per overlay
};

// The one image being dragged: a list of its own holding a copy of the image.
struct Drag {
    ImageList* image = nullptr;
    POINT hotspot{};
    POINT at{};
    HWND lock = nullptr;
    bool shown = false;
};

struct Lists {
    std::mutex lock;
    std::set<ImageList*> live;
    Drag drag;
};

Lists& lists() {
    static Lists* l = new Lists;
    return *l;
}

// The list behind a handle, with the table locked for the caller's use of it.
struct Locked {
    std::unique_lock<std::mutex> guard;
    ImageList* list = nullptr;
};

Locked Find(HIMAGELIST h) {
    Lists& l = lists();
    Locked found{std::unique_lock<std::mutex>(l.lock), nullptr};
    auto* list = reinterpret_cast<ImageList*>(h);
    if (l.live.count(list)) found.list = list;
    return found;
}

// Stores an owned copy at i (-1: at the end); the copy is freed when it cannot be stored.
int Put(HIMAGELIST himl, int i, HICON copy) {
    if (copy == nullptr) return -1;
    HICON replaced = nullptr;
    int index = -1;
    {
        Locked found = Find(himl);
        auto* images = found.list ? &found.list->images : nullptr;
        if (images && i == -1 && images->size() < static_cast<size_t>(kMaxImages)) {
            images->push_back(copy);
            index = static_cast<int>(images->size() - 1);
        } else if (images && i >= 0 && static_cast<size_t>(i) < images->size()) {
            replaced = std::exchange((*images)[static_cast<size_t>(i)], copy);
            index = i;
        }
    }
    DestroyIcon(index < 0 ? copy : replaced);
    return index;
}

void FreeAll(std::vector<HICON>& images) {
    for (HICON icon : images) DestroyIcon(icon);
    images.clear();
}

// Ends the drag under way, if any; the image list it held is returned for destroying outside
// the lock.
ImageList* TakeDrag(Lists& l) {
    ImageList* image = std::exchange(l.drag.image, nullptr);
    l.drag = Drag{};
    if (image) l.live.erase(image);
    return image;
}

void DestroyDragImage(ImageList* image) {
    if (image == nullptr) return;
    FreeAll(image->images);
    delete image;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow) {
    if (cx <= 0 || cy <= 0 || cx > kLargestImage || cy > kLargestImage || cInitial < 0 || cGrow < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* list = new ImageList{cx, cy, flags, {}};
    list->images.reserve(static_cast<size_t>(std::min(cInitial, kMaxImages)));
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    l.live.insert(list);
    return reinterpret_cast<HIMAGELIST>(list);
}

BOOL ImageList_Destroy(HIMAGELIST himl) {
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    auto* list = reinterpret_cast<ImageList*>(himl);
    if (list == l.drag.image) return FALSE;  // the drag's own copy goes with ImageList_EndDrag
    if (l.live.erase(list) == 0) return FALSE;
    FreeAll(list->images);
    delete list;
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST himl) {
    Locked found = Find(himl);
    return found.list ? static_cast<int>(found.list->images.size()) : 0;
}

int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon) {
    return Put(himl, i, hicon ? CopyIconForList(hicon) : nullptr);
}

// A bitmap as wide as several images adds one image per cx columns; a mask's white pixels are
// transparent. The index of the first image added, or -1.
int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask) {
    int cx = 0, cy = 0;
    BITMAP bm{};
    if (!ImageList_GetIconSize(himl, &cx, &cy) || hbmImage == nullptr || GetObjectW(hbmImage, sizeof bm, &bm) == 0)
        return -1;
    int first = -1;
    for (LONG x = 0; x + cx <= bm.bmWidth; x += cx) {
        LONG rows = std::min<LONG>(cy, bm.bmHeight);
        int index = Put(himl, -1, IconFromBitmapForList(hbmImage, hbmMask, x, cx, rows));
        if (index < 0) return first;
        if (first < 0) first = index;
    }
    return first;
}

BOOL ImageList_Remove(HIMAGELIST himl, int i) {
    std::vector<HICON> gone;
    {
        Locked found = Find(himl);
        if (!found.list) return FALSE;
        auto& images = found.list->images;
        if (i == -1) {
            gone.swap(images);
        } else {
            if (i < 0 || static_cast<size_t>(i) >= images.size()) return FALSE;
            gone.push_back(images[static_cast<size_t>(i)]);
            images.erase(images.begin() + i);
        }
    }
    FreeAll(gone);
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) {
    HICON icon = nullptr, overlay = nullptr;
    int cx = 0, cy = 0;
    {
        Locked found = Find(himl);
        if (!found.list || i < 0 || static_cast<size_t>(i) >= found.list->images.size()) return FALSE;
        const ImageList& list = *found.list;
        icon = list.images[static_cast<size_t>(i)];
        cx = list.cx;
        cy = list.cy;
        int n = static_cast<int>((fStyle & ILD_OVERLAYMASK) >> 8);
        int over = n > 0 ? list.overlays[n - 1] : -1;
        if (over >= 0 && static_cast<size_t>(over) < list.images.size())
            overlay = list.images[static_cast<size_t>(over)];
    }
    if (!DrawIconEx(hdcDst, x, y, icon, cx, cy, 0, nullptr, DI_NORMAL)) return FALSE;
    return overlay == nullptr || DrawIconEx(hdcDst, x, y, overlay, cx, cy, 0, nullptr, DI_NORMAL);
}

BOOL ImageList_SetOverlayImage(HIMAGELIST himl, int iImage, int iOverlay) {
    Locked found = Find(himl);
    if (!found.list || iOverlay < 1 || iOverlay > kOverlays || iImage < 0 ||
        static_cast<size_t>(iImage) >= found.list->images.size()) {
        return FALSE;
    }
    found.list->overlays[iOverlay - 1] = iImage;
    return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy) {
    Locked found = Find(himl);
    if (!found.list || !cx || !cy) return FALSE;
    *cx = found.list->cx;
    *cy = found.list->cy;
    return TRUE;
}

BOOL ImageList_BeginDrag(HIMAGELIST himlTrack, int iTrack, int dxHotspot, int dyHotspot) {
    HICON copy = nullptr;
    int cx = 0, cy = 0;
    UINT flags = 0;
    {
        Locked found = Find(himlTrack);
        if (!found.list || iTrack < 0 || static_cast<size_t>(iTrack) >= found.list->images.size()) return FALSE;
        copy = CopyIconForList(found.list->images[static_cast<size_t>(iTrack)]);
        cx = found.list->cx;
        cy = found.list->cy;
        flags = found.list->flags;
    }
    if (copy == nullptr) return FALSE;
    auto* image = new ImageList{cx, cy, flags, {copy}};
    ImageList* ended = nullptr;
    {
        Lists& l = lists();
        std::lock_guard<std::mutex> g(l.lock);
        ended = TakeDrag(l);  // one drag at a time: a new one ends the old
        l.live.insert(image);
        l.drag.image = image;
        l.drag.hotspot = POINT{dxHotspot, dyHotspot};
    }
    DestroyDragImage(ended);
    return TRUE;
}

BOOL ImageList_DragEnter(HWND hwndLock, int x, int y) {
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    if (l.drag.image == nullptr) return FALSE;
    l.drag.lock = hwndLock;
    l.drag.at = POINT{x, y};
    l.drag.shown = true;
    return TRUE;
}

BOOL ImageList_DragMove(int x, int y) {
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    if (l.drag.image == nullptr) return FALSE;
    l.drag.at = POINT{x, y};
    return TRUE;
}

BOOL ImageList_DragLeave(HWND hwndLock) {
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    if (l.drag.image == nullptr || (hwndLock != nullptr && hwndLock != l.drag.lock)) return FALSE;
    l.drag.shown = false;
    l.drag.lock = nullptr;
    return TRUE;
}

BOOL ImageList_DragShowNolock(BOOL fShow) {
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    if (l.drag.image == nullptr) return FALSE;
    l.drag.shown = fShow != FALSE;
    return TRUE;
}

void ImageList_EndDrag(void) {
    ImageList* ended = nullptr;
    {
        Lists& l = lists();
        std::lock_guard<std::mutex> g(l.lock);
        ended = TakeDrag(l);
    }
    DestroyDragImage(ended);
}

HIMAGELIST ImageList_GetDragImage(POINT* ppt, POINT* pptHotspot) {
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    if (l.drag.image == nullptr) return nullptr;
    if (ppt) *ppt = l.drag.at;
    if (pptHotspot) *pptHotspot = l.drag.hotspot;
    return reinterpret_cast<HIMAGELIST>(l.drag.image);
}

BOOL PlatImageDragShown(HWND* lock) {
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    if (lock) *lock = l.drag.lock;
    return l.drag.image != nullptr && l.drag.shown;
}

DWORD PlatLiveImageListCount(void) {
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    return static_cast<DWORD>(l.live.size());
}

}  // extern "C"
