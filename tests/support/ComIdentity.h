// SPDX-License-Identifier: LGPL-3.0-or-later
// COM's rule of identity, checked the same way for every class of the module.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <initializer_list>

// Each of `faces`, asked of `object`, answers and, asked for IUnknown, gives `identity`.
inline void ExpectFacesOfOneIdentity(IUnknown* object, IUnknown* identity,
                                     std::initializer_list<const IID*> faces) {
    for (const IID* face : faces) {
        ComPtr<IUnknown> asked;
        ASSERT_EQ(object->QueryInterface(*face, asked.PutVoid()), S_OK);
        ComPtr<IUnknown> back;
        ASSERT_EQ(asked->QueryInterface(IID_IUnknown, back.PutVoid()), S_OK);
        EXPECT_EQ(back.Get(), identity);
    }
}
