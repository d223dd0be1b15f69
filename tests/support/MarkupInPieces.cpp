// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tests/support/MarkupInPieces.h"

#include "book/markup/BodyMarker.h"
#include "book/markup/MarkupStream.h"
#include "platform/text/Utf16Length.h"

#include <cstring>
#include <memory>

std::u16string ConvertInPieces(const std::string& part, const std::vector<size_t>& cuts) {
    std::vector<size_t> ends(cuts);
    ends.push_back(part.size());
    BodyMarkerSearch search;
    for (size_t i = 0, start = 0; i < ends.size(); start = ends[i++]) {
        if (search.Feed(part.data() + start, ends[i] - start)) {
            break;
        }
    }
    MarkupStream stream;
    if (!stream.Init()) {
        return u"(out of memory)";
    }
    // Not cleared: the room for a long tag's bytes is more than most parts need, and the tests
    // convert short parts in pieces thousands of times.
    std::unique_ptr<WCHAR[]> out(new WCHAR[MarkupStream::RoomForFeed(part.size())]);
    stream.Begin(out.get());
    size_t start = search.Found() ? static_cast<size_t>(search.At()) : 0;
    for (const size_t end : ends) {
        while (end > start) {
            const size_t length =
                end - start < MarkupStream::MaxFeed ? end - start : MarkupStream::MaxFeed;
            std::unique_ptr<char[]> piece(new char[length]);
            std::memcpy(piece.get(), part.data() + start, length);
            stream.Feed(piece.get(), length);
            start += length;
        }
    }
    stream.End(part.size());
    const size_t written = stream.Written();
    const size_t visible = stream.ReachedZero() ? Utf16LengthBounded(out.get(), written) : written;
    return std::u16string(out.get(), out.get() + visible);
}
