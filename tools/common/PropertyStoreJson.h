// SPDX-License-Identifier: LGPL-3.0-or-later
// A book's property store the way a shell host reaches it, printed as one JSON object:
//   {"System.Title":"…","System.Author":["…","…"],"System.Media.Year":2024,…}
// in the store's order, keyed by canonical names (a key the tools do not know by its property
// set and id, "{FMTID}/PID"); strings as strings, string vectors as arrays, VT_UI4 as numbers.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Platform.h"
#include "tools/common/FilterBinding.h"

#include <string>

// Creates a property handler, binds `stream` read-only through IInitializeWithStream and asks
// for its IPropertyStore. On failure the first failing code is returned, and `store` is empty
// or holds the object whose binding failed, for what it says of the book (IBookCondition).
HRESULT BindPropertyStore(const CreateFilterObject& create, IStream* stream,
                          ComPtr<IPropertyStore>& store);

// The object and a line feed, appended to `out`; the first call of the store that fails stops
// it, and its code is returned (`out` is then left as it was).
HRESULT AppendPropertyStoreJson(IPropertyStore* store, std::string& out);

// Both, as the tools' --properties print them: the JSON object of the store of a handler
// `create` makes, bound to `stream`, appended to `out`; `words`, what the module says of the
// book: why it gave no store, or what a damaged book still gave (empty for a whole book).
HRESULT ReadPropertyStoreJson(const CreateFilterObject& create, IStream* stream, std::string& out,
                              std::string& words);
