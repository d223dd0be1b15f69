// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/PropertiesDump.h"

#include "module/ClassIds.h"
#include "platform/native/FileStream.h"
#include "tools/common/CommandLine.h"
#include "tools/common/FormatCode.h"
#include "tools/common/PropertyStoreJson.h"

namespace {

HRESULT ReadProperties(const FilterEntryPoints& entryPoints, IStream* stream, std::string& json) {
    CLSID classId;
    HRESULT result = CLSIDFromString(CLSID_BookPropertyHandler, &classId);
    ComPtr<IClassFactory> factory;
    if (SUCCEEDED(result)) {
        result = entryPoints.GetClassObject(classId, IID_IClassFactory, factory.PutVoid());
    }
    if (SUCCEEDED(result) && !factory) {
        result = E_POINTER;
    }
    ComPtr<IPropertyStore> store;
    if (SUCCEEDED(result)) {
        result = BindPropertyStore(
            [&factory](REFIID riid, void** object) {
                return factory->CreateInstance(nullptr, riid, object);
            },
            stream, store);
    }
    return SUCCEEDED(result) ? AppendPropertyStoreJson(store.Get(), json) : result;
}

} // namespace

int DumpProperties(const FilterEntryPoints& entryPoints, const std::string& path, ByteSink& out,
                   std::string& error) {
    ComPtr<IStream> stream;
    const HRESULT opened = FileStream::Open(path.c_str(), stream.Put());
    if (FAILED(opened)) {
        error = path + ": cannot open (" + FormatCode(opened) + ")";
        return ExitSomeFailed;
    }
    std::string json;
    const HRESULT read = ReadProperties(entryPoints, stream.Get(), json);
    if (FAILED(read)) {
        error = path + ": no properties (" + FormatCode(read) + ")";
        return ExitSomeFailed;
    }
    if (!out.Write(json.data(), json.size())) {
        error = "cannot write the output: " + out.Error();
        return ExitSomeFailed;
    }
    return ExitAllLoaded;
}
