// SPDX-License-Identifier: LGPL-3.0-or-later
// The text of a book of one flow (KF7, PalmDOC): its one part, from its body marker on, its
// records decoded one at a time and converted as they come.
#pragma once

#include "book/text/PartByPartText.h"

class OneFlowText final : public PartByPartText {
public:
    explicit OneFlowText(PartIndex index) : PartByPartText(std::move(index)) {}

    // The one part, once: false the second time, and for a part that is empty, starts with a
    // zero byte or is a Print Replica book's.
    bool NextPart() override;

private:
    bool FeedNext() override;

    bool Started = false;
    // The flow runs from FlowStart to FlowEnd (or its text's end).
    uint64_t FlowStart = 0;
    uint64_t FlowEnd = 0;
};
