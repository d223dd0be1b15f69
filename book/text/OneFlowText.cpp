// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/OneFlowText.h"

#include "book/markup/BodyMarker.h"

#include <algorithm>
#include <cstring>

namespace {

// A Print Replica book's text starts so; libmobi gives it no HTML part.
constexpr char ReplicaMagic[] = "%MOP";

} // namespace

bool OneFlowText::NextPart() {
    PartDone = true;
    if (TextEnded || Started) {
        TextEnded = true;
        return false;
    }
    Started = true;
    // One part, its text ended with it.
    TextEnded = true;
    const PartIndex::Part& flow = Index[0];
    FlowStart = flow.Start;
    FlowEnd = flow.Length == PartIndex::ToTheEnd ? PartIndex::ToTheEnd : flow.Start + flow.Length;
    Window.Reach(FlowStart, std::min<uint64_t>(FlowStart + 4, FlowEnd));
    if (Window.End() <= FlowStart || FlowEnd == FlowStart || *Window.At(FlowStart) == 0) {
        // An empty part, or one that starts with a zero byte, gives no chunk.
        return false;
    }
    if (flow.Length == PartIndex::ToTheEnd && Window.End() >= 4 &&
        std::memcmp(Window.At(0), ReplicaMagic, 4) == 0) {
        return false;
    }
    // A first pass for the body marker, keeping the bytes where one may start that the next
    // record completes.
    BodyMarkerSearch search;
    uint64_t at = FlowStart;
    PartSize = 0;
    for (bool over = false; !over && at < FlowEnd;) {
        const uint64_t keep = at - std::min<uint64_t>(at - FlowStart, BodyMarkerLength - 1);
        if (!Window.Reach(keep, at + 1)) {
            break;
        }
        const size_t length = static_cast<size_t>(std::min<uint64_t>(Window.End(), FlowEnd) - at);
        over = search.Feed(Window.At(at), length);
        if (Cp1252) {
            // What comes before the marker, which holds no zero byte, counts before the text;
            // a marker that started in the bytes before these counted them already.
            const uint64_t marker = FlowStart + search.At();
            if (!over) {
                PartSize += Utf8Length(Window.At(at), length);
            } else if (search.Found() && marker >= at) {
                PartSize += Utf8Length(Window.At(at), static_cast<size_t>(marker - at));
            } else if (search.Found()) {
                PartSize -= at - marker;
            }
        }
        at += length;
    }
    Position = FlowStart;
    if (search.Found()) {
        Position = FlowStart + search.At();
        Window.Reach(Position, Position + 1);
    } else {
        PartSize = 0;
        if (Window.Start() > FlowStart) {
            // The text starts at the part's start, which the window has let go: read it again.
            Window.Restart();
        }
    }
    if (!Cp1252) {
        PartSize = Position - FlowStart;
    }
    BeginPart();
    TextEnded = false;
    return true;
}

bool OneFlowText::FeedNext() {
    if (Position >= FlowEnd || !Window.Reach(Position, Position + 1)) {
        return false;
    }
    const size_t length = static_cast<size_t>(
        std::min<uint64_t>(std::min<uint64_t>(Window.End(), FlowEnd) - Position, Stretch()));
    const bool more = Feed(Window.At(Position), length);
    if (!Cp1252) {
        PartSize += length;
    }
    Position += length;
    return more;
}
