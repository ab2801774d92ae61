#include "sim/SimDriver_win.h"

#include <cstdio>
#include <memory>
#include <new>
#include <optional>

#include "sim/Dialogs_win.h"
#include "sim/DriverEngine.h"
#include "sim/StateFile_win.h"
#include "sim/Utf.h"
#include "sim/WinUtil_win.h"

namespace velmar::sim {

namespace {

// QueryInterface of an object that offers IDispatch (and so IUnknown) and nothing else.
HRESULT queryDispatch(IDispatch* self, REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *object = self;
        self->AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// Handed out for the "dispatch" value: a live object that knows no names. Its last release is
// logged, so that a client that leaks it shows.
class InertDispatch final : public IDispatch {
  public:
    explicit InertDispatch(CallLog& log) : log_(log) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return queryDispatch(this, riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) {
            try {
                log_.add("release value-object");
            } catch (const std::exception&) {
                // Out of memory for the log line: the object goes all the same.
            }
            delete this;
        }
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                            DISPID* ids) override {
        for (UINT i = 0; ids != nullptr && i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

  private:
    CallLog& log_;
    LONG refs_ = 1;
};

std::string hex(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(value));
    return buffer;
}

std::string describeArgument(const VARIANT& v) {
    switch (V_VT(&v)) {
        case VT_I4:
            return "i4:" + std::to_string(V_I4(&v));
        case VT_BSTR:
            return "bstr:" + logText(u16(V_BSTR(&v)));
        default:
            return "vt" + std::to_string(V_VT(&v));
    }
}

std::string invokeLine(std::optional<Operation> op, DISPID id, WORD flags, const DISPPARAMS* params,
                       bool resultWanted) {
    std::string line = "invoke ";
    line += op ? std::string(operationName(*op)) : "dispid:" + std::to_string(id);
    line += " flags=" + std::to_string(flags);
    if (params == nullptr) {
        line += " args=null named=none value=none";
    } else {
        line += " args=" + std::to_string(params->cArgs);
        line += " named=";
        line += params->cNamedArgs > 0 && params->rgdispidNamedArgs != nullptr
                    ? std::to_string(params->rgdispidNamedArgs[0])
                    : "none";
        line += " value=";
        line += params->cArgs > 0 && params->rgvarg != nullptr ? describeArgument(params->rgvarg[0])
                                                               : "none";
    }
    line += resultWanted ? " result=yes" : " result=no";
    return line;
}

std::string comState() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    const HRESULT hr = CoGetApartmentType(&type, &qualifier);
    // An implicit MTA is another thread's doing: this thread itself has not initialised COM.
    const bool initialised =
        SUCCEEDED(hr) && !(type == APTTYPE_MTA && qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA);
    return initialised ? "initialised" : "uninitialised";
}

HRESULT putBstr(VARIANT* result, std::u16string_view text) {
    BSTR s = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                               static_cast<UINT>(text.size()));
    if (s == nullptr) {
        return E_OUTOFMEMORY;
    }
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = s;
    return S_OK;
}

HRESULT putLongString(VARIANT* result, std::size_t length) {
    BSTR s = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (s == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (std::size_t i = 0; i < length; ++i) {
        s[i] = longStringUnit(i);
    }
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = s;
    return S_OK;
}

void putI4(VARIANT* result, std::int32_t value) {
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

HRESULT answerWithValue(const Entry& entry, VARIANT* result, CallLog& log) {
    if (result == nullptr) {
        return S_OK;
    }
    VariantInit(result);
    switch (entry.kind) {
        case EntryKind::I4:
            putI4(result, entry.integer);
            return S_OK;
        case EntryKind::I2:
            V_VT(result) = VT_I2;
            V_I2(result) = static_cast<SHORT>(entry.integer);
            return S_OK;
        case EntryKind::R8:
            V_VT(result) = VT_R8;
            V_R8(result) = entry.real;
            return S_OK;
        case EntryKind::Bool:
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = entry.flag ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case EntryKind::Str:
            return putBstr(result, entry.text);
        case EntryKind::LongStr:
            return putLongString(result, entry.length);
        case EntryKind::Null:
            V_VT(result) = VT_NULL;
            return S_OK;
        case EntryKind::Dispatch:
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = new (std::nothrow) InertDispatch(log);
            return V_DISPATCH(result) != nullptr ? S_OK : E_OUTOFMEMORY;
        case EntryKind::Empty:
        default:
            return S_OK;
    }
}

HRESULT raiseException(const Entry& entry, EXCEPINFO* info) {
    if (info != nullptr) {
        *info = EXCEPINFO{};
        info->scode = E_FAIL;
        info->bstrSource = SysAllocString(L"SimDriver");
        info->bstrDescription =
            SysAllocStringLen(reinterpret_cast<const OLECHAR*>(entry.text.data()),
                              static_cast<UINT>(entry.text.size()));
    }
    return DISP_E_EXCEPTION;
}

// A window handle travels as a VT_I4 and widens the way HandleToLong / LongToHandle do.
HWND windowFromI4(std::int32_t handle) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle));
}

HWND ownWindowOrActive(HWND candidate) {
    if (candidate != nullptr && IsWindow(candidate) &&
        GetWindowThreadProcessId(candidate, nullptr) == GetCurrentThreadId()) {
        return candidate;
    }
    return GetActiveWindow();
}

std::uint64_t entropy() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart) ^
           (static_cast<std::uint64_t>(GetCurrentProcessId()) << 40) ^ GetTickCount64();
}

class SimDriver final : public IDispatch {
  public:
    SimDriver(const Scenario* scenario, CallLog& log, std::unique_ptr<Scenario> ownedScenario = {},
              std::unique_ptr<CallLog> ownedLog = {})
        : ownedScenario_(std::move(ownedScenario)),
          ownedLog_(std::move(ownedLog)),
          log_(log),
          engine_(scenario == nullptr ? loadDeviceState() : DeviceState{}) {
        if (scenario != nullptr) {
            cursor_.emplace(*scenario);
        }
        log_.add("create");
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return queryDispatch(this, riid, object);
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }

    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        try {
            if (n == 0) {
                log_.add("release refs=0 com=" + comState());
            } else if (n < 0) {
                log_.add("release refs=" + std::to_string(n));
            }
        } catch (const std::exception&) {
            // Out of memory for the log line: the count itself is right.
        }
        return n > 0 ? static_cast<ULONG>(n) : 0;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) {
            *info = nullptr;
        }
        return DISP_E_BADINDEX;
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        return guarded([&] { return lookup(riid, names, count, ids); });
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override {
        return guarded(
            [&] { return invoke(id, riid, flags, params, result, exception, argError); });
    }

  private:
    enum class Access { Call, Get, Put };

    // No C++ exception may cross the COM boundary.
    template <typename Body>
    static HRESULT guarded(Body body) {
        try {
            return body();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception&) {
            return E_UNEXPECTED;
        }
    }

    HRESULT lookup(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) {
        std::string line = "lookup";
        for (UINT i = 0; names != nullptr && i < count; ++i) {
            line += ' ';
            line += names[i] != nullptr ? logText(u16(names[i], wcslen(names[i]))) : "(null)";
        }
        log_.add(std::move(line));
        if (riid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        if (names == nullptr || ids == nullptr || count == 0) {
            return E_INVALIDARG;
        }
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
        const auto op =
            names[0] != nullptr ? findOperation(u16(names[0], wcslen(names[0]))) : std::nullopt;
        if (!op || currentIs(*op, EntryKind::UnknownName)) {
            return DISP_E_UNKNOWNNAME;
        }
        ids[0] = dispatchId(*op);
        // The operations take no named arguments, so any further name is unknown.
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }

    HRESULT invoke(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError) {
        const auto op = operationFromDispatchId(id);
        log_.add(invokeLine(op, id, flags, params, result != nullptr));
        if (riid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        if (!op) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (params == nullptr || (params->cArgs > 0 && params->rgvarg == nullptr) ||
            (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr) ||
            params->cNamedArgs > params->cArgs) {
            return E_INVALIDARG;
        }
        Access access{};
        std::int32_t written = 0;
        if (const HRESULT hr = checkShape(*op, flags, *params, access, written, argError);
            FAILED(hr)) {
            return hr;
        }
        if (const Entry* entry = cursor_ ? cursor_->take(*op) : nullptr) {
            switch (entry->kind) {
                case EntryKind::UnknownName:
                    return DISP_E_MEMBERNOTFOUND;
                case EntryKind::Exception:
                    return raiseException(*entry, exception);
                case EntryKind::HResult:
                    return static_cast<HRESULT>(entry->hresult);
                case EntryKind::Ok:
                    break;
                default:
                    return answerWithValue(*entry, result, log_);
            }
        }
        if (result != nullptr) {
            VariantInit(result);
        }
        return perform(*op, access, written, result);
    }

    bool currentIs(Operation op, EntryKind kind) const {
        const Entry* entry = cursor_ ? cursor_->peek(op) : nullptr;
        return entry != nullptr && entry->kind == kind;
    }

    // Matches the invocation against the operation the way a type-library dispatch does: the
    // flags must contain the member's kind. ParentWnd and ParamsPageIndex may also be read back.
    static HRESULT checkShape(Operation op, WORD flags, const DISPPARAMS& params, Access& access,
                              std::int32_t& written, UINT* argError) {
        const OperationKind kind = operationKind(op);
        if (kind == OperationKind::Write && (flags & DISPATCH_PROPERTYPUT) != 0) {
            access = Access::Put;
            if (params.cArgs != 1) {
                return DISP_E_BADPARAMCOUNT;
            }
            if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
                return DISP_E_PARAMNOTFOUND;
            }
            ScopedVariant value;
            if (FAILED(VariantChangeType(value.get(), &params.rgvarg[0], 0, VT_I4))) {
                if (argError != nullptr) {
                    *argError = 0;
                }
                return DISP_E_TYPEMISMATCH;
            }
            written = V_I4(&*value);
            return S_OK;
        }
        if (kind == OperationKind::Call) {
            if ((flags & DISPATCH_METHOD) == 0) {
                return DISP_E_MEMBERNOTFOUND;
            }
            access = Access::Call;
        } else {
            if ((flags & DISPATCH_PROPERTYGET) == 0) {
                return DISP_E_MEMBERNOTFOUND;
            }
            access = Access::Get;
        }
        if (params.cNamedArgs > 0) {
            return DISP_E_NONAMEDARGS;
        }
        return params.cArgs == 0 ? S_OK : DISP_E_BADPARAMCOUNT;
    }

    HRESULT perform(Operation op, Access access, std::int32_t written, VARIANT* result) {
        switch (op) {
            case Operation::ShowProperties:
                showProperties();
                return S_OK;
            case Operation::GetDeviceMetrics:
                engine_.deviceMetrics();
                return S_OK;
            case Operation::ShowAdditionalParams:
                showAdditionalParams();
                return S_OK;
            case Operation::GetCloudCashdeskParams: {
                const std::int32_t status = engine_.cloudCashdeskParams();
                if (result != nullptr) {
                    putI4(result, status);
                }
                return S_OK;
            }
            case Operation::ParentWnd:
            case Operation::ParamsPageIndex: {
                const bool parent = op == Operation::ParentWnd;
                if (access == Access::Put) {
                    parent ? engine_.setParentWnd(written) : engine_.setParamsPageIndex(written);
                } else if (result != nullptr) {
                    putI4(result,
                          (parent ? engine_.parentWnd() : engine_.paramsPageIndex()).value_or(0));
                }
                return S_OK;
            }
            default:
                break;
        }
        if (result == nullptr) {
            return S_OK;
        }
        switch (op) {
            case Operation::ResultCode:
                putI4(result, engine_.lastResult().code);
                return S_OK;
            case Operation::ResultCodeDescription:
                return putBstr(result, engine_.lastResult().description);
            case Operation::UDescription:
                return putBstr(result, engine_.uDescription());
            case Operation::CloudCashdeskEnabled:
                V_VT(result) = VT_BOOL;
                V_BOOL(result) = engine_.state().cloudEnabled ? VARIANT_TRUE : VARIANT_FALSE;
                return S_OK;
            case Operation::ECRID:
                return putBstr(result, engine_.state().ecrid);
            default:
                return S_OK;
        }
    }

    void showProperties() {
        const HWND owner = GetActiveWindow();
        log_.add("dialog ShowProperties parent=" +
                 hex(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(owner))) + " page=none");
        if (!cursor_) {
            runPropertiesDialog(owner, engine_.state(), saveDeviceState);
        }
        engine_.dialogClosed();
    }

    void showAdditionalParams() {
        const std::optional<std::int32_t> parent = engine_.parentWnd();
        const std::optional<std::int32_t> page = engine_.paramsPageIndex();
        log_.add("dialog ShowAdditionalParams parent=" +
                 hex(static_cast<std::uint32_t>(parent.value_or(0))) +
                 " page=" + (page ? std::to_string(*page) : "none"));
        if (!cursor_) {
            const HWND owner = ownWindowOrActive(parent ? windowFromI4(*parent) : nullptr);
            runAdditionalParamsDialog(owner, page, engine_, entropy, saveDeviceState);
        }
        engine_.dialogClosed();
    }

    LONG refs_ = 1;
    std::unique_ptr<Scenario> ownedScenario_;
    std::unique_ptr<CallLog> ownedLog_;
    CallLog& log_;
    std::optional<ScenarioCursor> cursor_;
    DriverEngine engine_;
};

class ClassFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // A static object: counting references would only decide when to free it, which is never.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        return createSimDriverFromEnvironment(riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

IDispatch* createSimDriver(const Scenario* scenario, CallLog& log) {
    return new SimDriver(scenario, log);
}

HRESULT createSimDriverFromEnvironment(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch) {
        return E_NOINTERFACE;
    }
    try {
        const auto logPath = environmentVariable(L"SIMDRV_LOG");
        auto log = logPath ? std::make_unique<CallLog>(*logPath) : std::make_unique<CallLog>();
        std::unique_ptr<Scenario> scenario;
        if (const auto scriptPath = environmentVariable(L"SIMDRV_SCRIPT")) {
            try {
                scenario = std::make_unique<Scenario>(Scenario::parse(readWholeFile(*scriptPath)));
            } catch (const std::runtime_error& e) {
                log->add(std::string("scenario-error ") + e.what());
                return E_FAIL;
            }
        }
        CallLog& logRef = *log;
        const Scenario* scenarioPtr = scenario.get();
        *object = static_cast<IDispatch*>(
            new SimDriver(scenarioPtr, logRef, std::move(scenario), std::move(log)));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

IClassFactory* simDriverClassFactory() {
    static ClassFactory factory;
    return &factory;
}

}  // namespace velmar::sim
