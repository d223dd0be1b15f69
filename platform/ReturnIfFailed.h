// SPDX-License-Identifier: LGPL-3.0-or-later
// Early return on a failed HRESULT.
#pragma once

#define RETURN_IF_FAILED(expression)                                                               \
    do {                                                                                           \
        const HRESULT returnIfFailedResult = (expression);                                         \
        if (FAILED(returnIfFailedResult)) {                                                        \
            return returnIfFailedResult;                                                           \
        }                                                                                          \
    } while (false)
