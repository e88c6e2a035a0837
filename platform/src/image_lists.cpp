// Image lists: the images a tree view or list draws by index. Pictures are kept as the handles
// given (the renderer draws their places); the count of live lists shows leaks.
#include <mutex>
#include <set>
#include <vector>

#include "plat/window_test.h"
#include "plat_internal.h"
#include "win/tree_view.h"

namespace plat {
namespace {

constexpr int kLargestImage = 256;
constexpr int kMaxImages = 0x7FFF;

struct ImageList {
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    std::vector<HANDLE> images;
};

struct Lists {
    std::mutex lock;
    std::set<ImageList*> live;
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

int Put(HIMAGELIST himl, int i, HANDLE image) {
    Locked found = Find(himl);
    if (!found.list || image == nullptr) return -1;
    auto& images = found.list->images;
    if (i == -1) {
        if (images.size() >= static_cast<size_t>(kMaxImages)) return -1;
        images.push_back(image);
        return static_cast<int>(images.size() - 1);
    }
    if (i < 0 || static_cast<size_t>(i) >= images.size()) return -1;
    images[static_cast<size_t>(i)] = image;
    return i;
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
    if (l.live.erase(list) == 0) return FALSE;
    delete list;
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST himl) {
    Locked found = Find(himl);
    return found.list ? static_cast<int>(found.list->images.size()) : 0;
}

int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon) {
    return Put(himl, i, hicon);
}

int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP) {
    return Put(himl, -1, hbmImage);
}

BOOL ImageList_Remove(HIMAGELIST himl, int i) {
    Locked found = Find(himl);
    if (!found.list) return FALSE;
    auto& images = found.list->images;
    if (i == -1) {
        images.clear();
        return TRUE;
    }
    if (i < 0 || static_cast<size_t>(i) >= images.size()) return FALSE;
    images.erase(images.begin() + i);
    return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy) {
    Locked found = Find(himl);
    if (!found.list || !cx || !cy) return FALSE;
    *cx = found.list->cx;
    *cy = found.list->cy;
    return TRUE;
}

DWORD PlatLiveImageListCount(void) {
    Lists& l = lists();
    std::lock_guard<std::mutex> g(l.lock);
    return static_cast<DWORD>(l.live.size());
}

}  // extern "C"
