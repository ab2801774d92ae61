#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>

#include "platform/Text.h"
#include "platform/win32/Variant_win.h"

namespace velmar::win32 {

// The three ways the program talks to an automation object.
enum class InvokeKind {
    Call,   // DISPATCH_METHOD, no arguments, result discarded
    Read,   // DISPATCH_METHOD | DISPATCH_PROPERTYGET, no arguments, result kept
    Write,  // DISPATCH_PROPERTYPUT of one argument, named DISPID_PROPERTYPUT
};

// Looks `name` up on `object` (every call: an object may change what it offers) and invokes it.
// Failures throw AppError with the text the user is shown: "Method '…' not supported by
// automation object" for a name the object lacks, the object's own description for an exception
// it raised, otherwise the system's text for the status.
Variant invokeByName(IDispatch* object, TextView name, InvokeKind kind,
                     const Variant* argument = nullptr);

// Conversions of a returned value by the system's own rules (VariantChangeType); a value that
// does not convert throws AppError with the system's text ("Type mismatch", say).
std::int32_t toInt32(const Variant& value);
bool toBool(const Variant& value);
Text toText(const Variant& value);

}  // namespace velmar::win32
