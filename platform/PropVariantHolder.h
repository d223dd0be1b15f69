// Owns a PROPVARIANT and clears it when it goes.
#pragma once

#include "platform/Platform.h"

class PropVariantHolder {
public:
    PropVariantHolder() { PropVariantInit(&Value); }
    PropVariantHolder(const PropVariantHolder&) = delete;
    PropVariantHolder& operator=(const PropVariantHolder&) = delete;
    ~PropVariantHolder() { PropVariantClear(&Value); }

    PROPVARIANT* Get() { return &Value; }
    const PROPVARIANT* operator->() const { return &Value; }

private:
    PROPVARIANT Value;
};
