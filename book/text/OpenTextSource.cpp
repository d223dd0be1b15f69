// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/text/OpenTextSource.h"

#include "book/load/BookEncryption.h"
#include "book/text/IndexedPartText.h"
#include "book/text/OneFlowText.h"
#include "book/text/RebuiltText.h"
#include "platform/AllocationFailures.h"

namespace {

enum class PartByPart { Ready, Rebuild, OutOfMemory };

PartByPart OpenPartByPart(OpenedBook& opened, std::unique_ptr<TextSource>& text) {
    PartIndex index;
    switch (index.Build(opened.Book.Get())) {
    case PartIndex::Result::Ready:
        break;
    case PartIndex::Result::WholeBook:
        return PartByPart::Rebuild;
    case PartIndex::Result::OutOfMemory:
        return PartByPart::OutOfMemory;
    }
    const bool oneFlow = index.OneFlow();
    std::unique_ptr<PartByPartText> reader(
        oneFlow ? static_cast<PartByPartText*>(NewObject<OneFlowText>(std::move(index)))
                : NewObject<IndexedPartText>(std::move(index)));
    if (!reader) {
        return PartByPart::OutOfMemory;
    }
    switch (reader->Open(opened.Book.Get(), *opened.Records)) {
    case MOBI_SUCCESS:
        text = std::move(reader);
        return PartByPart::Ready;
    case MOBI_MALLOC_FAILED:
        return PartByPart::OutOfMemory;
    default:
        // libmobi's decompression fails before its first record: its rebuilding gives no text.
        return PartByPart::Rebuild;
    }
}

} // namespace

HRESULT OpenTextSource(IStream* stream, OpenedBook& opened, std::unique_ptr<TextSource>& text) {
    text.reset();
    if (IsTextEncrypted(opened.Book.Get())) {
        return S_FALSE;
    }
    switch (OpenPartByPart(opened, text)) {
    case PartByPart::Ready:
        return S_OK;
    case PartByPart::OutOfMemory:
        return E_OUTOFMEMORY;
    case PartByPart::Rebuild:
        break;
    }
    std::unique_ptr<RebuiltText> rebuilt(NewObject<RebuiltText>());
    if (!rebuilt) {
        return E_OUTOFMEMORY;
    }
    // The stream read again may come short this time: `opened` then says so.
    const HRESULT reopened = rebuilt->Open(stream, opened);
    if (FAILED(reopened)) {
        return reopened;
    }
    text = std::move(rebuilt);
    return S_OK;
}
