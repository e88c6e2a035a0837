// Where a scroll bar's parts lie: an arrow button at each end, the track between them and the
// thumb on it at the bar's position. The control's mouse handling and the renderer share it, so
// what is pressed is what is drawn.
#pragma once

#include <algorithm>

#include "win/user.h"

namespace plat {

struct ScrollBarParts {
    RECT before{};  // the left (or up) arrow
    RECT after{};   // the right (or down) arrow
    RECT track{};   // between the arrows
    RECT thumb{};   // empty when the bar has no room or no range to show one
};

inline constexpr LONG kSmallestThumb = 8;

// The highest position a bar reaches: a page shown takes the last page's worth off the range.
inline int LastScrollPosition(int min, int max, UINT page) {
    const long long last = static_cast<long long>(max) - std::max<long long>(static_cast<long long>(page) - 1, 0);
    return static_cast<int>(std::max<long long>(last, min));
}

// The parts of a bar whose client area is `client`.
inline ScrollBarParts ScrollBarLayout(RECT client, bool vertical, int min, int max, UINT page, int position) {
    const LONG length = vertical ? client.bottom - client.top : client.right - client.left;
    const LONG thickness = vertical ? client.right - client.left : client.bottom - client.top;
    const LONG arrow = std::clamp<LONG>(thickness, 0, std::max<LONG>(length / 2, 0));
    auto span = [&](LONG from, LONG to) {
        return vertical ? RECT{client.left, client.top + from, client.right, client.top + to}
                        : RECT{client.left + from, client.top, client.left + to, client.bottom};
    };
    ScrollBarParts parts;
    parts.before = span(0, arrow);
    parts.after = span(length - arrow, length);
    parts.track = span(arrow, length - arrow);
    const LONG room = length - 2 * arrow;
    const long long range = static_cast<long long>(max) - min;
    if (room <= 0 || range <= 0) return parts;
    LONG thumb = arrow;
    if (page > 0) thumb = static_cast<LONG>(room * std::min<long long>(page, range + 1) / (range + 1));
    thumb = std::clamp<LONG>(std::max(thumb, kSmallestThumb), 0, room);
    const long long travel = static_cast<long long>(LastScrollPosition(min, max, page)) - min;
    const long long at = std::clamp<long long>(static_cast<long long>(position) - min, 0, std::max(travel, 0LL));
    const LONG offset = travel > 0 ? static_cast<LONG>((room - thumb) * at / travel) : 0;
    parts.thumb = span(arrow + offset, arrow + offset + thumb);
    return parts;
}

}  // namespace plat
