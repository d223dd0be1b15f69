// SPDX-License-Identifier: LGPL-3.0-or-later
#include "tools/quillsift-dump/PropertiesDump.h"

#include "module/ClassIds.h"
#include "platform/ReturnIfFailed.h"
#include "platform/native/FileStream.h"
#include "tools/common/BookConditionWords.h"
#include "tools/common/CommandLine.h"
#include "tools/common/OpenFailure.h"
#include "tools/common/PropertyStoreJson.h"
#include "tools/quillsift-dump/BookFinder.h"

namespace {

HRESULT ReadProperties(const FilterEntryPoints& entryPoints, IStream* stream, std::string& json,
                       std::string& words) {
    CLSID classId;
    RETURN_IF_FAILED(CLSIDFromString(CLSID_BookPropertyHandler, &classId));
    ComPtr<IClassFactory> factory;
    RETURN_IF_FAILED(entryPoints.GetClassObject(classId, IID_IClassFactory, factory.PutVoid()));
    if (!factory) {
        return E_POINTER;
    }
    return ReadPropertyStoreJson(
        [&factory](REFIID riid, void** object) {
            return factory->CreateInstance(nullptr, riid, object);
        },
        stream, json, words);
}

} // namespace

int DumpProperties(const FilterEntryPoints& entryPoints, const std::string& path, ByteSink& out,
                   std::string& message) {
    ComPtr<IStream> stream;
    const HRESULT opened = FileStream::Open(path.c_str(), stream.Put());
    if (FAILED(opened)) {
        message = path + ": " + OpenFailureWords(opened, IsFolder(path));
        return ExitSomeFailed;
    }
    std::string json;
    std::string words;
    const HRESULT read = ReadProperties(entryPoints, stream.Get(), json, words);
    if (FAILED(read)) {
        message = path + ": " + FailureWords(words, "no properties", read);
        return ExitSomeFailed;
    }
    if (!out.Write(json.data(), json.size())) {
        message = "cannot write the output: " + out.Error();
        return ExitSomeFailed;
    }
    if (!words.empty()) {
        message = path + ": " + words;
    }
    return ExitAllLoaded;
}
