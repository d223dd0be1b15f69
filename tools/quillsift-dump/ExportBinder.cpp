#include "tools/quillsift-dump/ExportBinder.h"

#include "module/ClassIds.h"
#include "platform/ReturnIfFailed.h"

ExportBinder::ExportBinder(const FilterEntryPoints& entryPoints)
    : EntryPoints(entryPoints), ClassId(),
      ClassIdResult(CLSIDFromString(CLSID_BookFilter, &ClassId)) {}

HRESULT ExportBinder::Bind(IStream* stream, ComPtr<IFilter>& filter) {
    filter.Reset();
    RETURN_IF_FAILED(ClassIdResult);
    ComPtr<IClassFactory> factory;
    RETURN_IF_FAILED(EntryPoints.GetClassObject(ClassId, IID_IClassFactory, factory.PutVoid()));
    if (!factory) {
        return E_POINTER;
    }
    return BindFilter(
        [&factory](REFIID riid, void** object) {
            return factory->CreateInstance(nullptr, riid, object);
        },
        BindingInterface::InitializeWithStream, stream, filter);
}
